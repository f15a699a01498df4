// The block-at-a-time loops of the text and RTF converters (the wide ones where the processor
// has them, the portable ones always) against simple models of the rules, on long inputs
// where most blocks take a fast path and the rest fall back at every offset in a block.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "converter/rtf_convert.h"
#include "converter/stream_io.h"
#include "converter/text_convert.h"
#include "converter/wide_kernels.h"
#include "tests/converter/test_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using namespace zerva::converter;
using zerva::test::convertBytes;
using zerva::test::FileConverter;

namespace {

// Restores the wide loops when a test ends.
class FastPaths : public ::testing::Test {
protected:
    void TearDown() override { detail::setWideKernelsAllowed(true); }
};

struct Random {
    quint32 seed;
    quint32 next() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    }
};

// Converts in with the wide loops allowed and then with the portable ones only, at each chunk
// size, and expects the same bytes every time.
void expectFromBothLoops(const FileConverter& convert, const ConversionTable& table,
                         const QByteArray& in, const QByteArray& expected,
                         std::initializer_list<qsizetype> chunks) {
    for (bool wide : {true, false}) {
        detail::setWideKernelsAllowed(wide);
        for (const qsizetype chunk : chunks) {
            ConvertOptions o;
            o.chunkSize = chunk;
            EXPECT_TRUE(convertBytes(convert, table, in, o) == expected)
                << "wide " << wide << " chunk " << chunk;
        }
    }
}

// Every byte of 128..255 is converted one to one, but for 0xE2 (dropped), 0xE3 (two bytes)
// and 0xE4 (the head of a pair with 0xE5).
QByteArray wideTableText() {
    QByteArray text("[Convert Table]\r\n");
    for (int x = 128; x < 256; ++x) {
        if (x == 0xE2) {
            text += "226=\r\n";
        } else if (x == 0xE3) {
            text += "227=170+187\r\n";
        } else if (x == 0xE4) {
            text += "228+229=204\r\n";
        } else {
            text += QByteArray::number(x) + "=" + QByteArray::number((x * 7 + 3) & 0xFF) + "\r\n";
        }
    }
    return text;
}

TEST_F(FastPaths, TextConversionMatchesTheRulesWhereverSpecialBytesFall) {
    const auto table = parseConversionTable(wideTableText(), Direction::ToMs);
    ASSERT_TRUE(table.has_value());
    // Long stretches of bytes that convert one to one, broken now and then by a byte that
    // does not, so that both loops run and hand over at every offset.
    Random random{7};
    QByteArray in;
    while (in.size() < 300000) {
        const quint32 r = random.next();
        const int stretch = static_cast<int>(r % 700);
        for (int i = 0; i < stretch; ++i) {
            int b = static_cast<int>(random.next() & 0xFF);
            if (b >= 0xE2 && b <= 0xE4) {
                b = 'x';
            }
            in.append(static_cast<char>(b));
        }
        static const char kSpecial[][3] = {"\xe2", "\xe3", "\xe4\xe5", "\xe4", "\xe5"};
        in += kSpecial[(r >> 12) % std::size(kSpecial)];
    }
    in += "tail"; // the length is no multiple of a block
    QByteArray expected;
    for (qsizetype k = 0; k < in.size(); ++k) {
        const int b = static_cast<std::uint8_t>(in[k]);
        if (b < 128) {
            expected.append(static_cast<char>(b));
        } else if (b == 0xE2) {
        } else if (b == 0xE3) {
            expected += "\xaa\xbb";
        } else if (b == 0xE4) {
            if (k + 1 < in.size() && static_cast<std::uint8_t>(in[k + 1]) == 0xE5) {
                expected.append('\xcc');
                ++k;
            } else {
                expected.append('\xe4');
            }
        } else {
            expected.append(static_cast<char>((b * 7 + 3) & 0xFF));
        }
    }
    expectFromBothLoops(ConvertTextFile, *table, in, expected, {63, 64, 1000, 4096, 1 << 18});
}

TEST_F(FastPaths, RtfConversionAgreesWithTheClipboardRulesWhateverTheBlocksHold) {
    const QByteArray tableText = wideTableText();
    const auto table = parseConversionTable(tableText, Direction::ToMs);
    ASSERT_TRUE(table.has_value());
    const auto clipTable =
        zerva::clipboard::parseClipboardTable(tableText, zerva::clipboard::Direction::ToMs);
    ASSERT_TRUE(clipTable.has_value());
    // Mostly text, control words and escapes that keep their length; now and then anything
    // the fast loops must leave to the careful one.
    const std::vector<std::string> plain = {" ",     "word",     "\\par\r\n", "\\{",     "\\}",
                                            "\\b0 ", "\\u1609?", "\xe1\xe2",  "{\\f1 x}"};
    const std::vector<std::string> special = {"\\'e2",
                                              "\\'e3",
                                              "\\'e4\\'e5",
                                              "\\'E4\\'E5",
                                              "\\'e4",
                                              "\\'e5",
                                              "\\'zz",
                                              "\\'e",
                                              "\\'\xb0\xb1",
                                              "\\'0\xb1",
                                              "\\'g0",
                                              "\\\\",
                                              "\\\\'e1",
                                              "\\lang1065 ",
                                              "{\\leveltext\\'02\\'e1;}",
                                              "\\listlevel\\'e1",
                                              "\\'",
                                              "\\",
                                              "\\'8"};
    const char kDigits[] = "0123456789abcdefABCDEF";
    Random random{99};
    QByteArray in = "{\\rtf1\\ansi ";
    while (in.size() < 400000) {
        const quint32 r = random.next();
        if (r % 97 == 0) {
            in += special[(r >> 8) % special.size()];
        } else if (r % 3 == 0) {
            in += plain[(r >> 8) % plain.size()];
        } else {
            // An escape of a byte that converts one to one, in either case.
            int x = 0;
            std::string escape = "\\'";
            do {
                const quint32 d = random.next();
                escape.resize(2);
                escape += kDigits[d % 22];
                escape += kDigits[(d >> 8) % 22];
                x = std::stoi(escape.substr(2), nullptr, 16);
            } while (x == 0xE2 || x == 0xE3 || x == 0xE4);
            in += escape;
        }
    }
    in += "}\\'e";
    const QByteArray expected = zerva::clipboard::convertRtf(*clipTable, in);
    expectFromBothLoops(ConvertRtfFile, *table, in, expected, {64, 67, 100, 4096, 1 << 18});
}

} // namespace

namespace {

// The large buffers share one region while it has room and get memory of their own after:
// blocks never overlap, whatever the order they are freed and taken again in.
TEST(LargeBuffers, BlocksNeverOverlap) {
    struct Block {
        std::uint8_t* data;
        std::size_t size;
        std::uint8_t mark;
    };
    std::vector<Block> blocks;
    int taken = 0;
    Random random{5};
    const auto take = [&](std::size_t size) {
        auto* data = static_cast<std::uint8_t*>(detail::allocatePrefaulted(size));
        const auto mark = static_cast<std::uint8_t>(++taken);
        std::memset(data, mark, size);
        blocks.push_back({data, size, mark});
    };
    const auto intact = [&] {
        for (const Block& b : blocks) {
            for (std::size_t k = 0; k < b.size; k += 997) {
                if (b.data[k] != b.mark || b.data[b.size - 1] != b.mark) {
                    return false;
                }
            }
        }
        return true;
    };
    for (int round = 0; round < 40; ++round) {
        // Sizes from 64 KB to 3 MB, some not a whole number of pages.
        take(std::size_t{64} * 1024 + random.next() % (3u << 20));
        EXPECT_TRUE(intact()) << "round " << round;
        if (blocks.size() > 4) {
            const std::size_t victim = random.next() % blocks.size();
            detail::freePrefaulted(blocks[victim].data, blocks[victim].size);
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(victim));
        }
    }
    for (const Block& b : blocks) {
        detail::freePrefaulted(b.data, b.size);
    }
}

} // namespace
