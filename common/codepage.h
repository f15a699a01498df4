// Code page 1256 at the text boundary: bytes to QString and back, through ICU's table; and
// the other single-byte code pages that documents declare, for reading them.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace zerva::common {

// The byte written for a character that code page 1256 lacks.
inline constexpr std::uint8_t kSubstituteByte = '?';

// The character of each byte (every byte of code page 1256 has one).
const std::array<char16_t, 256>& cp1256Table();

// The character of one byte.
inline QChar cp1256Char(std::uint8_t byte) {
    return QChar(cp1256Table()[byte]);
}

// The byte of one character, or nothing when code page 1256 has no byte for it.
std::optional<std::uint8_t> cp1256Byte(char32_t ch);

// A single-byte code page: the character of each byte and the byte of each character.
class CodePage {
public:
    // 874, 1250-1258, 437, 850, 10000 (Macintosh Roman) and the other single-byte code
    // pages ICU knows as "windows-N", "ibm-N" or "cpN"; null for any other number.
    static const CodePage* byNumber(int number);

    char16_t charOf(std::uint8_t byte) const { return m_chars[byte]; }
    std::optional<std::uint8_t> byteOf(char32_t ch) const;
    const std::array<char16_t, 256>& chars() const { return m_chars; }

private:
    friend struct CodePageBuilder;
    std::array<char16_t, 256> m_chars{};
    QHash<char32_t, std::uint8_t> m_bytes;
};

// Bytes to text: every byte becomes its character.
QString fromCp1256(QByteArrayView bytes);

// Text to bytes. A character without a byte becomes kSubstituteByte ('?'); unmapped, if
// given, receives how many did, so callers can tell the user that something was lost.
QByteArray toCp1256(const QString& text, qsizetype* unmapped = nullptr);

} // namespace zerva::common
