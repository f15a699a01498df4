// Hexadecimal digits of RTF escapes and table forms, read without regard to case.
#pragma once

namespace zerva::common {

// The value of one hexadecimal digit character, or -1 when c is not one.
constexpr int hexDigitValue(int c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace zerva::common
