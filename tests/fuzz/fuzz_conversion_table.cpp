// The file converter's table loader on any text, both ways: pair chains stay inside the
// table and end, Unicode texts are characters, and a loaded table written out as a table
// file loads as the same table.
#include "converter/conversion_table.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>

using namespace zerva;
using namespace zerva::converter;

namespace {

// The pair entries of first byte x, newest first, checking that the chain ends.
std::vector<std::uint8_t> chainOf(const ConversionTable& table, std::uint8_t x) {
    std::vector<std::uint8_t> chain;
    for (std::uint8_t k = table.byte(x).pairHead; k != 0; k = table.pair(k).next) {
        ZERVA_FUZZ_CHECK(k <= table.pairCount());
        chain.push_back(k);
        ZERVA_FUZZ_CHECK(static_cast<int>(chain.size()) <= table.pairCount());
    }
    return chain;
}

QByteArray num(int v) {
    return QByteArray::number(v);
}

bool isCharacter(char32_t c) {
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

void checkText(const UnicodeText& t) {
    ZERVA_FUZZ_CHECK(!t.given() || t.count <= 2);
    for (int i = 0; t.given() && i < t.count; ++i) {
        ZERVA_FUZZ_CHECK(isCharacter(t.points[i]));
    }
}

// A [Unicode] line's value: blank-separated code points of at least four digits.
QByteArray valueOf(const UnicodeText& t) {
    QByteArray value;
    for (int i = 0; i < t.count; ++i) {
        value += i ? " U+" : "U+";
        value += QByteArray::number(static_cast<uint>(t.points[i]), 16).rightJustified(4, '0');
    }
    return value;
}

// The table as a table file: every byte's entry, then the pair entries oldest first.
QByteArray tableFileOf(const ConversionTable& table) {
    QByteArray text("[Convert Table]\r\n");
    for (int x = 0; x < 256; ++x) {
        const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
        text += num(x) + '=';
        if (e.kind >= 1) {
            text += num(e.out1);
        }
        if (e.kind == 2) {
            text += '+' + num(e.out2);
        }
        text += "\r\n";
    }
    std::vector<std::uint8_t> order; // pair indices are given out in loading order
    for (int x = 0; x < 256; ++x) {
        for (const std::uint8_t k : chainOf(table, static_cast<std::uint8_t>(x))) {
            order.push_back(k);
        }
    }
    std::sort(order.begin(), order.end());
    for (const std::uint8_t k : order) {
        for (int x = 0; x < 256; ++x) {
            const auto chain = chainOf(table, static_cast<std::uint8_t>(x));
            if (std::find(chain.begin(), chain.end(), k) != chain.end()) {
                text += num(x) + '+' + num(table.pair(k).second) + '=' + num(table.pair(k).target) +
                        "\r\n";
            }
        }
    }
    text += "[Unicode]\r\n";
    for (int x = 0; x < 256; ++x) {
        const auto bx = static_cast<std::uint8_t>(x);
        if (table.byte(bx).unicode.given()) {
            text += num(x) + '=' + valueOf(table.byte(bx).unicode) + "\r\n";
        }
        for (const std::uint8_t k : chainOf(table, bx)) {
            if (table.pair(k).unicode.given()) {
                text += num(x) + '+' + num(table.pair(k).second) + '=' +
                        valueOf(table.pair(k).unicode) + "\r\n";
            }
        }
    }
    return text;
}

void expectSame(const ConversionTable& a, const ConversionTable& b) {
    ZERVA_FUZZ_CHECK(a.pairCount() == b.pairCount());
    ZERVA_FUZZ_CHECK(a.hasUnicode() == b.hasUnicode());
    for (int x = 0; x < 256; ++x) {
        const auto bx = static_cast<std::uint8_t>(x);
        const ByteEntry& ea = a.byte(bx);
        const ByteEntry& eb = b.byte(bx);
        ZERVA_FUZZ_CHECK(ea.kind == eb.kind);
        ZERVA_FUZZ_CHECK(ea.kind == 0 || (ea.out1 == eb.out1 && ea.out1Hex == eb.out1Hex));
        ZERVA_FUZZ_CHECK(ea.kind != 2 || (ea.out2 == eb.out2 && ea.out2Hex == eb.out2Hex));
        ZERVA_FUZZ_CHECK(ea.unicode == eb.unicode);
        if (ea.pairHead == 0 && eb.pairHead == 0) {
            continue;
        }
        for (int y = 0; y < 256; ++y) {
            const PairEntry* pa = a.findPairEntry(bx, static_cast<std::uint8_t>(y));
            const PairEntry* pb = b.findPairEntry(bx, static_cast<std::uint8_t>(y));
            ZERVA_FUZZ_CHECK((pa == nullptr) == (pb == nullptr));
            ZERVA_FUZZ_CHECK(!pa || (pa->target == pb->target && pa->unicode == pb->unicode));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView text(data, static_cast<qsizetype>(size));
    for (const Direction direction : {Direction::ToMs, Direction::FromMs}) {
        const auto table = parseConversionTable(text, direction);
        if (!table) {
            continue;
        }
        ZERVA_FUZZ_CHECK(table->pairCount() >= 0 &&
                         table->pairCount() <= ConversionTable::kMaxPairs);
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table->byte(static_cast<std::uint8_t>(x));
            ZERVA_FUZZ_CHECK(e.kind <= 2);
            ZERVA_FUZZ_CHECK(e.out1Hex[0] == HexHigh(e.out1) && e.out1Hex[1] == HexLow(e.out1));
            checkText(e.unicode);
        }
        for (int k = 1; k <= table->pairCount(); ++k) {
            checkText(table->pair(static_cast<std::uint8_t>(k)).unicode);
        }
        // The section is read only towards code page 1256.
        ZERVA_FUZZ_CHECK(direction == Direction::ToMs || !table->hasUnicode());
        const auto again = parseConversionTable(tableFileOf(*table), Direction::ToMs);
        ZERVA_FUZZ_CHECK(again.has_value());
        expectSame(*table, *again);
    }
    return 0;
}
