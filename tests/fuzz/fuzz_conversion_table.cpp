// The file converter's table loader on any text, both ways: pair chains stay inside the
// table and end, and a loaded table written out as a table file loads as the same table.
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
    return text;
}

void expectSame(const ConversionTable& a, const ConversionTable& b) {
    ZERVA_FUZZ_CHECK(a.pairCount() == b.pairCount());
    for (int x = 0; x < 256; ++x) {
        const auto bx = static_cast<std::uint8_t>(x);
        const ByteEntry& ea = a.byte(bx);
        const ByteEntry& eb = b.byte(bx);
        ZERVA_FUZZ_CHECK(ea.kind == eb.kind);
        ZERVA_FUZZ_CHECK(ea.kind == 0 || (ea.out1 == eb.out1 && ea.out1Hex == eb.out1Hex));
        ZERVA_FUZZ_CHECK(ea.kind != 2 || (ea.out2 == eb.out2 && ea.out2Hex == eb.out2Hex));
        if (ea.pairHead == 0 && eb.pairHead == 0) {
            continue;
        }
        for (int y = 0; y < 256; ++y) {
            ZERVA_FUZZ_CHECK(a.findPair(bx, static_cast<std::uint8_t>(y)) ==
                             b.findPair(bx, static_cast<std::uint8_t>(y)));
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
        }
        const auto again = parseConversionTable(tableFileOf(*table), Direction::ToMs);
        ZERVA_FUZZ_CHECK(again.has_value());
        expectSame(*table, *again);
    }
    return 0;
}
