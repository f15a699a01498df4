// The text of a registry export file (.reg) as the settings store reads and rewrites it: the
// encoding, header and line ends it came with, and its lines, each with the lines that
// trailing backslashes continue it onto. Writing it back gives the same bytes for every line
// left alone.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace zerva::common {

enum class RegEncoding {
    Utf8,
    Utf8WithBom,
    Cp1256,  // a file that is not valid UTF-8
    Utf16Le, // with its byte order mark, as "Windows Registry Editor Version 5.00" files are
};

// The two headers a file may start with.
inline const QString kRegedit4Header = QStringLiteral("REGEDIT4");
inline const QString kRegedit5Header = QStringLiteral("Windows Registry Editor Version 5.00");

// One line as the parser sees it, with the exact text it came from.
struct RegLine {
    QString raw;  // every physical line it spans, each with its own line end
    QString text; // the joined text: continuation backslashes dropped, continuation lines trimmed
};

struct RegText {
    RegEncoding encoding = RegEncoding::Utf8;
    QString lineEnd = QStringLiteral("\n"); // the file's first line end; new lines get it
    bool hasHeader = false;                 // false only for an empty file
    std::vector<RegLine> lines;             // the header line included
};

// Decodes a file's bytes. Nothing when they are not a registry export this store
// understands: an unknown header, a NUL byte outside UTF-16, an odd UTF-16 length.
// An empty file (or one of blank lines) is a file without a header.
std::optional<RegText> decodeRegText(QByteArrayView bytes);

// The same, handing each line to visit as it is read (the header first, after any blank
// lines) instead of keeping them; keepRaw says whether each line's exact text is wanted.
// The text returned has no lines.
using RegLineVisitor = std::function<void(RegLine&)>;
std::optional<RegText> readRegLines(QByteArrayView bytes, const RegLineVisitor& visit,
                                    bool keepRaw = false);

// The bytes of a text, in its own encoding; an empty file gets the REGEDIT4 header.
// Nothing when a character has no byte in code page 1256.
std::optional<QByteArray> encodeRegText(const RegText& text);

// Gives a line its end, the file's, when it is the last of a file without a final line end.
void endLine(RegLine& line, const QString& lineEnd);

// A line the way the file's own lines are written: text and the file's line end.
RegLine newRegLine(const QString& text, const QString& lineEnd);

} // namespace zerva::common
