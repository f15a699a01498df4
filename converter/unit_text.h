// What each unit of a table writes: a unit is one source byte (its entry) or a matched pair
// entry. Its code page 1256 bytes come from the table's entries; its Unicode text from the
// table's [Unicode] section where that gives one, and otherwise is its code page 1256 bytes
// decoded. Units are numbered: byte x is unit x, pair entry k (1-255) is unit 256 + k.
#pragma once

#include "converter/conversion_table.h"

#include <array>
#include <cstdint>

namespace zerva::converter {

inline constexpr int kUnitCount = 512;

inline int pairUnit(const ConversionTable& table, const PairEntry& pair) {
    return 256 + static_cast<int>(&pair - &table.pair(0));
}

class UnitTexts {
public:
    explicit UnitTexts(const ConversionTable& table);

    // The unit's Unicode text in reading order: 0-2 UTF-16 code units per code point, at most
    // two code points.
    struct Text {
        std::uint8_t length = 0; // UTF-16 code units
        char16_t units[4] = {};
        std::uint8_t codePoints = 0;
        char32_t points[2] = {};
    };
    const Text& text(int unit) const { return m_texts[static_cast<std::size_t>(unit)]; }

    // The unit's UTF-8 bytes (at most 8), in reading order.
    struct Utf8 {
        std::uint8_t length = 0;
        std::uint8_t bytes[8] = {};
    };
    const Utf8& utf8(int unit) const { return m_utf8[static_cast<std::size_t>(unit)]; }

    // The same as shown in a right-to-left run: a mirrored character (a bracket) turned to
    // the one it stands for, in UTF-8 and in code page 1256 (where the code page has it).
    const Utf8& utf8Mirrored(int unit) const {
        return m_utf8Mirrored[static_cast<std::size_t>(unit)];
    }

    // Whether the unit's characters are all of the kinds that, in a right-to-left paragraph
    // without any left-to-right letter or number, stand in right-to-left order (letters
    // written right to left, blanks, punctuation, marks). A line of such units only is
    // shown reversed whole, so it is put back in reading order by reversing it.
    bool reversible(int unit) const { return m_reversible[static_cast<std::size_t>(unit)]; }

    // The unit's code page 1256 bytes in reading order (at most 2).
    struct Bytes {
        std::uint8_t length = 0;
        std::uint8_t bytes[2] = {};
    };
    const Bytes& cp1256(int unit) const { return m_bytes[static_cast<std::size_t>(unit)]; }
    const Bytes& cp1256Mirrored(int unit) const {
        return m_bytesMirrored[static_cast<std::size_t>(unit)];
    }

private:
    std::array<Text, kUnitCount> m_texts{};
    std::array<Utf8, kUnitCount> m_utf8{};
    std::array<Bytes, kUnitCount> m_bytes{};
    std::array<Utf8, kUnitCount> m_utf8Mirrored{};
    std::array<Bytes, kUnitCount> m_bytesMirrored{};
    std::array<bool, kUnitCount> m_reversible{};
};

// Appends the UTF-8 form of a code point to out (at most 4 bytes); returns how many.
int encodeUtf8(char32_t point, std::uint8_t* out);

} // namespace zerva::converter
