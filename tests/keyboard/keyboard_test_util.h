// Helpers shared by the keyboard tests: readable layout files built from the standard image.
#pragma once

#include "keyboard/layout_file.h"
#include "keyboard/layout_model.h"
#include "keyboard/standard_layout.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace zerva::keyboard::test {

// The standard columns of the key table: base and shift character of every key.
inline constexpr std::array<std::uint8_t, kKeyCount> kStandardBase = {
    129, 49,  50,  51,  52,  53,  54,  55,  56,  57,  48,  45,  61,  214, 213, 203,
    222, 221, 219, 218, 229, 206, 205, 204, 141, 142, 212, 211, 237, 200, 225, 199,
    202, 228, 227, 223, 144, 217, 216, 210, 209, 208, 207, 198, 230, 46,  47,  32};
inline constexpr std::array<std::uint8_t, kKeyCount> kStandardShift = {
    248, 33,  199, 93,  91,  236, 94,  42,  215, 41,  40,  220, 43,  243, 240, 245,
    241, 254, 253, 250, 201, 247, 158, 125, 123, 160, 246, 242, 146, 145, 225, 194,
    148, 147, 44,  58,  186, 187, 171, 155, 139, 195, 197, 193, 196, 161, 191, 157};

// A 500-byte file with the standard header and planes and no combined keys.
inline QByteArray plainStandardFile() {
    QByteArray f = standardLayoutImage().left(kTableOffset) + QByteArray(2, '\0');
    f[kDataSizeOffset] = static_cast<char>(472 & 0xFF);
    f[kDataSizeOffset + 1] = static_cast<char>(472 >> 8);
    return f;
}

// Sets the data size field to match the file's length.
inline void fixDataSize(QByteArray& f) {
    const auto d = static_cast<std::uint16_t>(f.size() - 28);
    f[kDataSizeOffset] = static_cast<char>(d & 0xFF);
    f[kDataSizeOffset + 1] = static_cast<char>(d >> 8);
}

// One combined-key table entry: text's first byte, legend, state, 0, n, further bytes with 0.
inline QByteArray tableEntry(const QByteArray& text, char legend, std::uint8_t state) {
    QByteArray e;
    e += text[0];
    e += legend;
    e += static_cast<char>(state);
    e += '\0';
    e += static_cast<char>(text.size() - 1);
    for (qsizetype i = 1; i < text.size(); ++i) {
        e += text[i];
        e += '\0';
    }
    return e;
}

// A file of the plain standard layout with the given table (the two end bytes are added).
inline QByteArray fileWithTable(const QByteArray& table) {
    QByteArray f = standardLayoutImage().left(kTableOffset) + table + QByteArray(2, '\0');
    fixDataSize(f);
    return f;
}

} // namespace zerva::keyboard::test
