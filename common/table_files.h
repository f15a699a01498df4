// The conversion table files as both converters read them: the list ZERVACNV.INI, the lines
// and entries of TABLE<n>.INI, and the messages for their failures. Each program builds its
// own table from the entries, by its own rules.
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace zerva::common {

// Which way a table is used, in both converters: as written, from the chosen format to code
// page 1256, or reversed, from code page 1256 to the chosen format (two-way tables only).
enum class Direction {
    ToMs,
    FromMs,
};

// Splits table file text into lines: CR LF, a lone CR and a lone line feed each end one
// (files written on Linux must not load as the identity table).
class TableFileLines {
public:
    explicit TableFileLines(QByteArrayView text) : m_text(text) {}
    // The next line without its end; false after the last.
    bool next(QByteArrayView& line);

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

// One side of an entry: "x" or "x+y" (split at the first "+"), or nothing for an empty value.
struct TableSide {
    std::optional<std::uint8_t> first;
    std::optional<std::uint8_t> second;
};

struct TableEntry {
    TableSide source; // the key
    TableSide output; // the value; empty when the byte is dropped
};

enum class TableLine {
    Entry,
    NotAnEntry,        // no "=", or a ";" in the key (a comment)
    BadNumber,         // a number is not a plain decimal byte value 0-255
    PairWithoutTarget, // two source bytes and an empty value
};

// Reads one line: the key is the text before the first "=", the value the text after it up
// to a ";". Numbers are plain decimal byte values with blanks around them allowed. A pair
// that yields nothing is refused: it would put a NUL byte into the text.
TableLine parseTableEntry(QByteArrayView line, TableEntry& entry);

// A section header is a whole line "[...]". Entries towards code page 1256 are those of
// "[Convert Table]". Two more sections are read only when converting from code page 1256,
// for the characters of code page 1256 that the chosen format lacks; their entries are
// written from the code page 1256 side ("c=a": code page 1256 byte c becomes byte a of the
// format, "c=a+b" two bytes, "c=" nothing) and count only for bytes that no entry of
// "[Convert Table]" gives back:
//   "[Reverse Best Fits]": the nearest character the format has (or nothing);
//   "[No Counterpart]": no counterpart at all; written as the entry says (the format's "?")
//   and counted, so the user can be told how many characters were lost.
//
// "[Unicode]" is read only towards code page 1256: the Unicode text of a source byte or of a
// pair that "[Convert Table]" has, for output that code page 1256 would lose ("a=U+06CC",
// "a=U+0644 U+0627", "a+b=U+06CC", "a=" for no text).
enum class TableSection {
    Convert,         // [Convert Table]
    ReverseBestFits, // [Reverse Best Fits]
    NoCounterpart,   // [No Counterpart]
    Unicode,         // [Unicode]
    Other,
};

// Whether a line is a section header, and which section it opens.
bool isTableSectionHeader(QByteArrayView line);
TableSection tableSectionOf(QByteArrayView header);

// The Unicode text of a unit from the table's [Unicode] section: not given (the unit's
// code page 1256 result, decoded, stands for it), empty, or one or two code points.
struct UnicodeText {
    static constexpr std::uint8_t kNotGiven = 0xFF;
    std::uint8_t count = kNotGiven;
    char32_t points[2] = {0, 0};
    bool given() const { return count != kNotGiven; }
    bool operator==(const UnicodeText&) const = default;
};

enum class UnicodeLine {
    Entry,
    NotAnEntry, // no "=", or a ";" in the key (a comment)
    Bad,        // a key that is not one or two byte values, or a malformed value
};

// Reads one line of "[Unicode]": the key as in the other sections; the value up to a ";" is
// empty or one or two code points, each "U+" and 4 to 6 hexadecimal digits, separated by
// blanks. A surrogate or a value above U+10FFFF is not a character and is refused.
UnicodeLine parseUnicodeEntry(QByteArrayView line, TableSide& key, UnicodeText& text);

// What one code page 1256 byte becomes in a from-code-page-1256 section.
struct ReverseFit {
    TableSide output;     // empty: the byte is dropped
    bool counted = false; // from "[No Counterpart]"
};

// Gathers the entries of the two from-code-page-1256 sections: a best fit wins over "no
// counterpart", and a later line over an earlier one of the same section.
class ReverseFits {
public:
    // A line of such a section; false when it makes the file invalid (a number that is not
    // a byte value, two source bytes).
    bool add(TableSection section, QByteArrayView line);
    const std::optional<ReverseFit>& operator[](std::uint8_t byte) const { return m_fits[byte]; }

private:
    std::array<std::optional<ReverseFit>, 256> m_fits;
};

// The list file's name, and the file name of table n (1-based): TABLE<n>.INI. Both are
// found in a folder without regard to case.
QString tableListFileName();
QString tableFileName(int n);

// One table of the list: "table<n>=name;1" names a two-way table, which may also convert
// from code page 1256.
struct TableListEntry {
    QString name;
    bool twoWay = false;
};

enum class TableListStatus {
    Ok,
    NoTable, // no list file, or a count of 0
    Broken,  // a count below 0 or beyond 16 bits
};

struct TableList {
    TableListStatus status = TableListStatus::NoTable;
    QList<TableListEntry> tables; // every listed table, in list order
};

class ProfileFile;

// Reads the list from ZERVACNV.INI in the folder: section "Code pages", the count "tables",
// then "table1" to "table<count>".
TableList readTableList(const QString& folder);
TableList readTableList(const ProfileFile& list);

// The messages shown (title "اشكال!") when the list names no table, when it is broken
// otherwise, and when TABLE<n>.INI cannot be used.
QString noTablesMessage();
QString tableListErrorMessage();
QString tableFileErrorMessage(int n);

// The line added to a conversion's completion notice when count characters had no
// counterpart in the chosen format (count > 0).
QString noCounterpartMessage(qint64 count);

} // namespace zerva::common
