// The key table shared by the model, the file reader and writer, and the on-screen keyboard.
#include "keys.h"

namespace zerva::keyboard {

const std::array<KeyInfo, kKeyCount>& keyTable() {
    static const std::array<KeyInfo, kKeyCount> table = {{
        {'`', 0xC0}, {'1', 0x31},  {'2', 0x32}, {'3', 0x33}, {'4', 0x34},  {'5', 0x35}, {'6', 0x36},
        {'7', 0x37}, {'8', 0x38},  {'9', 0x39}, {'0', 0x30}, {'-', 0xBD},  {'=', 0xBB}, {'Q', 0x51},
        {'W', 0x57}, {'E', 0x45},  {'R', 0x52}, {'T', 0x54}, {'Y', 0x59},  {'U', 0x55}, {'I', 0x49},
        {'O', 0x4F}, {'P', 0x50},  {'[', 0xDB}, {']', 0xDD}, {'\\', 0xDC}, {'A', 0x41}, {'S', 0x53},
        {'D', 0x44}, {'F', 0x46},  {'G', 0x47}, {'H', 0x48}, {'J', 0x4A},  {'K', 0x4B}, {'L', 0x4C},
        {';', 0xBA}, {'\'', 0xDE}, {'Z', 0x5A}, {'X', 0x58}, {'C', 0x43},  {'V', 0x56}, {'B', 0x42},
        {'N', 0x4E}, {'M', 0x4D},  {',', 0xBC}, {'.', 0xBE}, {'/', 0xBF},  {' ', 0x20},
    }};
    return table;
}

int keyRow(int key) {
    if (key < 0 || key >= kKeyCount) {
        return -1;
    }
    if (key <= 12) {
        return 0;
    }
    if (key <= 25) {
        return 1;
    }
    if (key <= 36) {
        return 2;
    }
    return key <= 46 ? 3 : 4;
}

} // namespace zerva::keyboard
