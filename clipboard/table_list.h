// The list of tables in ZERVACNV.INI as the clipboard converter offers it: only the
// two-way tables, each with the number of its TABLE<n>.INI.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace zerva::common {
class Messenger;
}

namespace zerva::clipboard {

// A value of a profile (INI) file read with the usual rules: section and key names without
// regard to case, lines beginning with ";" are comments, names and values trimmed, a value
// in matching quotes loses them, at most 255 characters of a value count and a NUL ends it.
// The first occurrence of a section and of a key in it wins. Text is code page 1256.
class ProfileFile {
public:
    explicit ProfileFile(QByteArrayView bytes);
    static std::optional<ProfileFile> read(const QString& path);

    std::optional<QString> value(const QString& section, const QString& key) const;
    // The value as a whole number: leading decimal digits with an optional "-" (0 when
    // absent or not a number). Never clipped: the caller decides what range it accepts.
    long long integer(const QString& section, const QString& key) const;

private:
    struct Entry {
        int section; // index into m_sections
        QString key; // lower case
        QString value;
    };
    std::vector<QString> m_sections; // lower case, in file order
    std::vector<Entry> m_entries;
};

struct TableChoice {
    QString name; // display name
    int number;   // n of TABLE<n>.INI
};

enum class TableListStatus {
    Ok,
    NoTable, // no table listed, or none of them two-way
    Broken,  // a count out of range, or more two-way tables than the list can hold
};

struct TableList {
    TableListStatus status = TableListStatus::NoTable;
    std::vector<TableChoice> tables; // the two-way tables in list order
};

// The most two-way tables the window offers.
inline constexpr int kMaxTableNumbers = 255;

TableList readTwoWayTables(const ProfileFile& list);

// Reads ZERVACNV.INI of the installation folder (name matched without regard to case).
TableList readTwoWayTables(const QString& installPath);

// The two-way tables of the installation folder; when there are none or the list is broken,
// shows the matching message (title "اشكال!", one button) and returns nothing.
std::optional<std::vector<TableChoice>> loadFormatList(const QString& installPath,
                                                       common::Messenger& messenger);

} // namespace zerva::clipboard
