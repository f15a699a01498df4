// Reading INI files by the rules of the Windows profile functions, which is how the suite's
// programs have always read the table list: section and key names match without regard to
// case, lines that begin with ";" are comments, values are trimmed and at most 255
// characters long.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace zerva::common {

class ProfileFile {
public:
    // Longest value a read returns (a 256-character buffer with its terminating NUL).
    static constexpr qsizetype kMaxValue = 255;

    // Nothing when the file cannot be read.
    static std::optional<ProfileFile> read(const QString& path);

    // The text is UTF-8 when it carries a UTF-8 byte order mark or decodes as UTF-8 without
    // error, otherwise code page 1256 (the code page the files were written in originally).
    static ProfileFile parse(QByteArrayView bytes);

    // The value of a key, or def when the section or key is missing. The value is cut at its
    // first NUL and after kMaxValue characters; a value enclosed in a matching pair of quotes
    // loses them.
    QString string(const QString& section, const QString& key, const QString& def = {}) const;

    // The key's value read as a decimal integer (leading blanks, an optional sign, then
    // digits up to the first other character; 0 when there are no digits), or def when the
    // key is missing or empty. Values beyond 64 bits saturate.
    qint64 integer(const QString& section, const QString& key, qint64 def) const;

private:
    struct Entry {
        QString key;   // case-folded
        QString value; // trimmed
    };
    struct Section {
        QString name; // case-folded
        std::vector<Entry> entries;
    };
    const QString* find(const QString& section, const QString& key) const;

    std::vector<Section> m_sections;
};

// The file of that name in the folder, found without regard to case when the exact name is
// missing (tables written on other systems often differ in case). Empty when there is none.
QString findFileNoCase(const QString& folder, const QString& name);

} // namespace zerva::common
