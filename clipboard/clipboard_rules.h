// The clipboard's conversions with a ClipboardTable: plain text over code page 1256 bytes,
// RTF through its hexadecimal escapes, and the same rules applied to a file.
#pragma once

#include "clipboard_table.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zerva::clipboard {

// Every conversion adds to noCounterpart, when given, the number of characters the table
// marks as having no counterpart (outside a matched pair).

// Converts code page 1256 bytes: a pair entry whose second byte follows wins over the
// single-byte entry; a single byte becomes nothing, one byte or two bytes.
QByteArray convertTextBytes(const ClipboardTable& table, QByteArrayView text,
                            qint64* noCounterpart = nullptr);

// Converts clipboard text: each character stands for its code page 1256 byte. A character
// without such a byte passes through unchanged and never joins a pair. A unit (a byte or a
// matched pair) whose Unicode text the table gives becomes that text; the others their code
// page 1256 result.
QString convertText(const ClipboardTable& table, const QString& text,
                    qint64* noCounterpart = nullptr);

// Converts RTF as RTF, with the same reader as the file converter (converter/rtf_convert.h):
// escapes, and \uN of characters the font of their run has as a byte, go through the table;
// everything else is copied. Towards code page 1256 the result declares code page 1256, and
// where the table has Unicode texts converted characters are written as \uN with a code page
// 1256 fallback, as the clipboard's text takes those texts.
QByteArray convertRtf(const ClipboardTable& table, QByteArrayView rtf,
                      qint64* noCounterpart = nullptr);

// Copies input from position up to and including the next delimiter to output and returns
// the position after it; without a further delimiter, copies the rest and returns the
// input's size. Positions count from 0.
qsizetype CopyThrough(QByteArrayView input, QByteArray& output, qsizetype position, char delimiter);

enum class ClipboardFormat { Text, Rtf };

enum class FileResult { Ok, ReadFailed, NotRegular, WriteFailed };

// Converts the bytes of inPath with the clipboard rules into outPath. The output is written
// to a temporary file in outPath's folder and renamed over outPath only when complete.
FileResult ConvertClipboardFile(const ClipboardTable& table, ClipboardFormat format,
                                const QString& inPath, const QString& outPath,
                                qint64* noCounterpart = nullptr);

} // namespace zerva::clipboard
