// The clipboard converter's own form of a conversion table and its loader. A table file is
// read whole and conflicting repeats are errors. Only the sections read from code page 1256
// ("[Reverse Best Fits]", "[No Counterpart]", common/table_files.h) are told apart: they
// count only in that direction and only for bytes no other line gives back. Towards code page
// 1256 "[Unicode]" gives the Unicode text of bytes and of the pairs the table has.
#pragma once

#include "common/table_files.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace zerva::common {
class Messenger;
}

namespace zerva::clipboard {

// The suite's one direction type (common/table_files.h).
using common::Direction;
using common::UnicodeText;

// The cells of one source byte, kept as lower-case hexadecimal text so that RTF escapes are
// written straight from them.
struct ByteCells {
    QByteArray out1Hex; // empty: the byte is dropped
    QByteArray out2Hex; // empty, or the second output byte
    QByteArray pairs;   // 4-character records: second source byte, target byte
    // From code page 1256 only: the format has no counterpart for the byte; its output is
    // the format's "?" and it is counted.
    bool noCounterpart = false;
    // Towards code page 1256: the byte's Unicode text, and that of each record of pairs (in
    // the same order; empty when no pair has one).
    UnicodeText unicode;
    QList<UnicodeText> pairTexts;
};

struct ClipboardTable {
    std::array<ByteCells, 256> cells;

    // Every byte to itself.
    static ClipboardTable identity();
    const ByteCells& operator[](std::uint8_t byte) const { return cells[byte]; }
    // Whether any byte or pair has its Unicode text given.
    bool hasUnicode() const { return anyUnicode; }
    bool anyUnicode = false;
    // Which way the table converts.
    Direction direction = Direction::ToMs;
};

// Two lower-case hexadecimal digits, high digit first ("0a" for 10).
QByteArray ByteToHex(std::uint8_t byte);

// The byte written by two hexadecimal digits of either case; nothing when the text is not
// exactly two such digits.
std::optional<std::uint8_t> HexToByte(QByteArrayView digits);

// The target digits of the newest record of pairs whose key is the given two lower-case
// digits; nothing when no record has that key.
std::optional<QByteArrayView> FindPairTarget(QByteArrayView pairs, QByteArrayView key);
// The index of that record (0 for the first four characters), or -1.
qsizetype FindPairRecord(QByteArrayView pairs, QByteArrayView key);

// Why a table file could not be used (for tools and tests; the user sees one message).
struct TableProblem {
    int line = 0; // 1-based; 0 when the file itself could not be read
    QString reason;
};

// Builds a table from the bytes of a table file. Lines end with CR LF, a lone CR or a lone
// line feed.
std::optional<ClipboardTable> parseClipboardTable(QByteArrayView fileBytes, Direction direction,
                                                  TableProblem* problem = nullptr);

// The path of TABLE<n>.INI in folder, matched without regard to case when the exact name
// is absent (tables copied from elsewhere are often spelled "Table3.ini").
QString tableFilePath(const QString& folder, int tableNumber);

// Reads and parses table file n of folder.
std::optional<ClipboardTable> readClipboardTable(const QString& folder, int tableNumber,
                                                 Direction direction,
                                                 TableProblem* problem = nullptr);

// The message shown for an unusable table file n.
QString tableFailureMessage(int tableNumber);

// Loads table n of the installation folder; on failure shows the table failure message
// through messenger (title "اشكال!", one button) and returns nothing. The caller then
// closes its window.
std::optional<ClipboardTable> LoadClipboardTable(const QString& installPath, int tableNumber,
                                                 Direction direction, common::Messenger& messenger);

} // namespace zerva::clipboard
