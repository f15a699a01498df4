// The character classes, built once.
#include "converter/char_class.h"

namespace zerva::converter {

namespace {

constexpr CharClassTable makeCharClass() {
    CharClassTable table{};
    for (int x = 0; x < 128; ++x) {
        table[x] = -1;
    }
    for (char c : {'.', ',', ':', ';', '\'', '"', '?', '(', ')', '[', ']', '{', '}'}) {
        table[static_cast<unsigned char>(c)] = 0;
    }
    for (int x = 128; x < 256; ++x) {
        table[x] = 1;
    }
    return table;
}

constexpr CharClassTable kCharClass = makeCharClass();

} // namespace

const CharClassTable& CharClass() {
    return kCharClass;
}

} // namespace zerva::converter
