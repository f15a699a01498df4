// The units' texts, built once per table.
#include "converter/unit_text.h"

#include "common/codepage.h"

#include <unicode/uchar.h>

namespace zerva::converter {

int encodeUtf8(char32_t point, std::uint8_t* out) {
    if (point < 0x80) {
        out[0] = static_cast<std::uint8_t>(point);
        return 1;
    }
    if (point < 0x800) {
        out[0] = static_cast<std::uint8_t>(0xC0 | (point >> 6));
        out[1] = static_cast<std::uint8_t>(0x80 | (point & 0x3F));
        return 2;
    }
    if (point < 0x10000) {
        out[0] = static_cast<std::uint8_t>(0xE0 | (point >> 12));
        out[1] = static_cast<std::uint8_t>(0x80 | ((point >> 6) & 0x3F));
        out[2] = static_cast<std::uint8_t>(0x80 | (point & 0x3F));
        return 3;
    }
    out[0] = static_cast<std::uint8_t>(0xF0 | (point >> 18));
    out[1] = static_cast<std::uint8_t>(0x80 | ((point >> 12) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | ((point >> 6) & 0x3F));
    out[3] = static_cast<std::uint8_t>(0x80 | (point & 0x3F));
    return 4;
}

namespace {

// Characters that never make a right-to-left paragraph leave right-to-left order: all but
// left-to-right letters, numbers and explicit direction controls.
bool staysRightToLeft(char32_t point) {
    switch (u_charDirection(static_cast<UChar32>(point))) {
    case U_LEFT_TO_RIGHT:
    case U_EUROPEAN_NUMBER:
    case U_ARABIC_NUMBER:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_POP_DIRECTIONAL_FORMAT:
    case U_LEFT_TO_RIGHT_ISOLATE:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
    case U_POP_DIRECTIONAL_ISOLATE:
    case U_BLOCK_SEPARATOR: // a paragraph separator ends the paragraph
        return false;
    default:
        return true;
    }
}

void setText(UnitTexts::Text& text, const char32_t* points, int count) {
    text = {};
    for (int i = 0; i < count; ++i) {
        const char32_t p = points[i];
        text.points[text.codePoints++] = p;
        if (p >= 0x10000) {
            text.units[text.length++] = static_cast<char16_t>(0xD800 + ((p - 0x10000) >> 10));
            text.units[text.length++] = static_cast<char16_t>(0xDC00 + ((p - 0x10000) & 0x3FF));
        } else {
            text.units[text.length++] = static_cast<char16_t>(p);
        }
    }
}

} // namespace

UnitTexts::UnitTexts(const ConversionTable& table) {
    const auto& decode = common::cp1256Table();
    const auto fill = [&](int unit, const std::uint8_t* bytes, int count,
                          const UnicodeText& given) {
        Bytes& b = m_bytes[static_cast<std::size_t>(unit)];
        b.length = static_cast<std::uint8_t>(count);
        char32_t points[2] = {};
        for (int i = 0; i < count; ++i) {
            b.bytes[i] = bytes[i];
            points[i] = decode[bytes[i]];
        }
        Text& text = m_texts[static_cast<std::size_t>(unit)];
        if (given.given()) {
            setText(text, given.points, given.count);
        } else {
            setText(text, points, count);
        }
        bool reversible = true;
        for (int i = 0; i < text.codePoints; ++i) {
            reversible = reversible && staysRightToLeft(text.points[i]);
        }
        m_reversible[static_cast<std::size_t>(unit)] = reversible;
        Utf8& utf8 = m_utf8[static_cast<std::size_t>(unit)];
        for (int i = 0; i < text.codePoints; ++i) {
            utf8.length = static_cast<std::uint8_t>(
                utf8.length + encodeUtf8(text.points[i], utf8.bytes + utf8.length));
        }
        Utf8& utf8Mirrored = m_utf8Mirrored[static_cast<std::size_t>(unit)];
        Bytes& bytesMirrored = m_bytesMirrored[static_cast<std::size_t>(unit)];
        utf8Mirrored = utf8;
        bytesMirrored = b;
        if (text.codePoints == 1) {
            const auto mirror =
                static_cast<char32_t>(u_charMirror(static_cast<UChar32>(text.points[0])));
            if (mirror != text.points[0]) {
                utf8Mirrored = {};
                utf8Mirrored.length =
                    static_cast<std::uint8_t>(encodeUtf8(mirror, utf8Mirrored.bytes));
                if (const auto byte = common::cp1256Byte(mirror)) {
                    bytesMirrored = {};
                    bytesMirrored.length = 1;
                    bytesMirrored.bytes[0] = *byte;
                }
            }
        }
    };
    for (int x = 0; x < 256; ++x) {
        const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
        const std::uint8_t bytes[2] = {e.out1, e.out2};
        fill(x, bytes, e.kind, e.unicode);
    }
    for (int k = 1; k <= table.pairCount(); ++k) {
        const PairEntry& p = table.pair(static_cast<std::uint8_t>(k));
        fill(256 + k, &p.target, 1, p.unicode);
    }
}

} // namespace zerva::converter
