// Character classes of code page 1256 bytes for the direction-changing text converters: the
// one place that says which bytes are Persian, which join a Persian run and which are
// neutral. Every path of the walks reads this table.
#pragma once

#include <array>
#include <cstdint>

namespace zerva::converter {

// 1: a Persian (right-to-left) character; 0: punctuation that joins a Persian run;
// -1: a neutral or Latin character.
using CharClassTable = std::array<std::int16_t, 256>;

inline constexpr std::int16_t kPersianClass = 1;
inline constexpr std::int16_t kJoiningClass = 0;
inline constexpr std::int16_t kNeutralClass = -1;

// Bytes 0-127 are -1 except the 13 punctuation characters .,:;'"?()[]{} which are 0; bytes
// 128-255 are 1. No 7-bit character is of class 1.
const CharClassTable& CharClass();

} // namespace zerva::converter
