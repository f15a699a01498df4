// Code page 1256 conversions, built once from ICU's "windows-1256" converter.
#include "codepage.h"

#include <unicode/ucnv.h>

#include <QHash>

namespace zerva::common {
namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    QHash<char32_t, std::uint8_t> fromUnicode;
};

Tables buildTables() {
    Tables t;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open("windows-1256", &status);
    for (int b = 0; b < 256; ++b) {
        char16_t out = 0xFFFD;
        if (U_SUCCESS(status) && conv != nullptr) {
            const char in = static_cast<char>(b);
            UErrorCode s = U_ZERO_ERROR;
            UChar buf[4];
            const int32_t n = ucnv_toUChars(conv, buf, 4, &in, 1, &s);
            if (U_SUCCESS(s) && n == 1) {
                out = buf[0];
            }
        }
        if (b < 0x80) {
            out = static_cast<char16_t>(b); // ASCII is ASCII, whatever the converter says
        }
        t.toUnicode[static_cast<std::size_t>(b)] = out;
        if (out != 0xFFFD && !t.fromUnicode.contains(out)) {
            t.fromUnicode.insert(out, static_cast<std::uint8_t>(b));
        }
    }
    if (conv != nullptr) {
        ucnv_close(conv);
    }
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

} // namespace

const std::array<char16_t, 256>& cp1256Table() { return tables().toUnicode; }

std::optional<std::uint8_t> cp1256Byte(char32_t ch) {
    const auto& map = tables().fromUnicode;
    const auto it = map.constFind(ch);
    if (it == map.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

QString fromCp1256(QByteArrayView bytes) {
    const auto& table = cp1256Table();
    QString out;
    out.resize(bytes.size());
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        dst[i] = QChar(table[static_cast<std::uint8_t>(bytes[i])]);
    }
    return out;
}

QByteArray toCp1256(const QString& text, qsizetype* unmapped) {
    QByteArray out;
    out.reserve(text.size());
    qsizetype missing = 0;
    for (const char32_t ch : text.toUcs4()) {
        if (const auto b = cp1256Byte(ch)) {
            out.append(static_cast<char>(*b));
        } else {
            out.append(static_cast<char>(kSubstituteByte));
            ++missing;
        }
    }
    if (unmapped != nullptr) {
        *unmapped = missing;
    }
    return out;
}

} // namespace zerva::common
