// Lines of a table's [Unicode] section that both table loaders must read alike: good entries
// with the text they give, and malformed ones that make the file unusable.
#pragma once

#include "common/table_files.h"

#include <cstdio>
#include <ostream>

namespace zerva::common {

// "U+0644 U+0627", "(empty)" or "(not given)" in test failures.
inline void PrintTo(const UnicodeText& text, std::ostream* os) {
    if (!text.given()) {
        *os << "(not given)";
        return;
    }
    if (text.count == 0) {
        *os << "(empty)";
    }
    for (int i = 0; i < text.count && i < 2; ++i) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%sU+%04X", i ? " " : "",
                      static_cast<unsigned>(text.points[i]));
        *os << buffer;
    }
}

} // namespace zerva::common

namespace zerva::test {

// A table with one pair entry (200 followed by 201) ahead of the section under test.
inline constexpr char kUnicodeTableHead[] = "[Convert Table]\r\n200+201=50\r\n[Unicode]\r\n";

struct UnicodeGoodCase {
    const char* name;
    const char* lines; // the section's lines
    int byte;
    int second; // the pair's second byte; -1 for a single byte
    common::UnicodeText text;
};

constexpr common::UnicodeText unicodeText(std::uint8_t count, char32_t a = 0, char32_t b = 0) {
    common::UnicodeText t;
    t.count = count;
    t.points[0] = a;
    t.points[1] = b;
    return t;
}

inline constexpr std::uint8_t kNotGiven = common::UnicodeText::kNotGiven;

inline constexpr UnicodeGoodCase kUnicodeGoodCases[] = {
    {"OnePoint", "253=U+06CC\r\n", 253, -1, unicodeText(1, 0x06CC)},
    {"TwoPointsBlanksAndComment", "249 = U+0644\tU+0627 ; lam alef\r\n", 249, -1,
     unicodeText(2, 0x0644, 0x0627)},
    {"EmptyGivesNoText", "137=\r\n", 137, -1, unicodeText(0)},
    {"SixDigitsAnyCase", "5=U+10fFfD\r\n", 5, -1, unicodeText(1, 0x10FFFD)},
    {"PairOfTheTable", "200+201=U+06CC\r\n", 200, 201, unicodeText(1, 0x06CC)},
    {"PairWithoutText", "200 + 201 =\r\n", 200, 201, unicodeText(0)},
    {"PairLeavesItsFirstByte", "200+201=U+06CC\r\n", 200, -1, unicodeText(kNotGiven)},
    {"CommentedKeyIsNoEntry", ";5=U+0041\r\n", 5, -1, unicodeText(kNotGiven)},
    {"LineWithoutEqualsIgnored", "U+0041\r\n7=U+0042\r", 7, -1, unicodeText(1, 0x42)},
};

struct UnicodeBadCase {
    const char* name;
    const char* line;
};

inline constexpr UnicodeBadCase kUnicodeBadCases[] = {
    {"NoPrefix", "5=06CC"},
    {"LowerCasePrefix", "5=u+06CC"},
    {"ThreeDigits", "5=U+6CC"},
    {"SevenDigits", "5=U+0006CCC"},
    {"NotHex", "5=U+06CG"},
    {"PrefixAlone", "5=U+"},
    {"BlankAfterPrefix", "5=U+ 06CC"},
    {"ThreePoints", "5=U+0041 U+0042 U+0043"},
    {"CommaBetween", "5=U+0644,U+0627"},
    {"BeyondUnicode", "5=U+110000"},
    {"HighSurrogate", "5=U+D800"},
    {"LowSurrogate", "5=U+DFFF"},
    {"KeyNotAByte", "256=U+0041"},
    {"LetterKey", "x=U+0041"},
    {"EmptyKey", "=U+0041"},
    {"HalfPairKey", "200+=U+0041"},
    {"PairTheTableLacks", "200+202=U+0041"},
};

inline void PrintTo(const UnicodeGoodCase& c, std::ostream* os) {
    *os << c.name;
}
inline void PrintTo(const UnicodeBadCase& c, std::ostream* os) {
    *os << c.name << ": " << c.line;
}

} // namespace zerva::test
