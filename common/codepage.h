// Code page 1256 at the text boundary: bytes to QString and back, through ICU's table.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
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
inline QChar cp1256Char(std::uint8_t byte) { return QChar(cp1256Table()[byte]); }

// The byte of one character, or nothing when code page 1256 has no byte for it.
std::optional<std::uint8_t> cp1256Byte(char32_t ch);

// Bytes to text: every byte becomes its character.
QString fromCp1256(QByteArrayView bytes);

// Text to bytes. A character without a byte becomes kSubstituteByte ('?'); unmapped, if
// given, receives how many did, so callers can tell the user that something was lost.
QByteArray toCp1256(const QString& text, qsizetype* unmapped = nullptr);

} // namespace zerva::common
