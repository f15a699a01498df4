// The 48 editable keys of the layout: their order, Latin legends and virtual-key codes.
#pragma once

#include <array>
#include <cstdint>

namespace zerva::keyboard {

inline constexpr int kKeyCount = 48;
inline constexpr int kSpaceBarKey = 47;

// One editable key. Keys are numbered 0..47 in the order of every per-key table of a layout
// file: 0..12 the top row (backquote to '='), 13..25 the second row (Q to '\'), 26..36 the home
// row (A to '\''), 37..46 the bottom row (Z to '/'), 47 the space bar.
struct KeyInfo {
    char legend;             // the Latin character engraved on the key, as in the legend row
    std::uint8_t virtualKey; // the key's Windows virtual-key code, as in the file header
};

// Every key, index = key index.
const std::array<KeyInfo, kKeyCount>& keyTable();

// The keyboard row of a key: 0 top row .. 3 bottom row, 4 the space bar; -1 for a bad index.
int keyRow(int key);

} // namespace zerva::keyboard
