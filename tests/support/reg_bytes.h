// Settings files as their bytes, built from readable lines: joined with a line end and put
// into one of the encodings a registry export comes in.
#pragma once

#include "common/codepage.h"

#include <QByteArray>
#include <QStringList>

namespace zerva::test {

enum class RegBytes { Utf8, Utf8WithBom, Cp1256, Utf16Le };

// The lines, each followed by lineEnd, in the encoding; UTF-16 with its byte order mark.
inline QByteArray regBytes(const QStringList& lines, RegBytes encoding,
                           const QString& lineEnd = QStringLiteral("\n")) {
    QString text;
    for (const QString& l : lines) {
        text += l + lineEnd;
    }
    switch (encoding) {
    case RegBytes::Utf8:
        return text.toUtf8();
    case RegBytes::Utf8WithBom:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case RegBytes::Cp1256:
        return common::toCp1256(text);
    case RegBytes::Utf16Le: {
        QByteArray out("\xFF\xFE", 2);
        for (const QChar c : text) {
            out.append(static_cast<char>(c.unicode() & 0xFF));
            out.append(static_cast<char>(c.unicode() >> 8));
        }
        return out;
    }
    }
    return {};
}

} // namespace zerva::test
