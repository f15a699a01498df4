// The converters' vector kernels against their plain loops, on every instruction set the
// kernels are built for and this processor runs, and both against simple models of the
// rules, on long inputs where most blocks take a fast path and the rest fall back at every
// offset in a block.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "converter/vector_kernels.h"
#include "tests/converter/test_tables.h"

#include <hwy/targets.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using namespace zerva::converter;
using zerva::test::convertBytes;
using zerva::test::FileConverter;

namespace {

struct Random {
    quint32 seed;
    quint32 next() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    }
};

// Runs body once for each instruction set the vector kernels are built for and this
// processor runs, then restores the best one. Says so when there is only the portable one.
template <typename Body> void onEveryVectorTarget(Body&& body) {
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    for (const std::int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        body();
    }
    hwy::SetSupportedTargetsForTest(0);
    if (targets.size() < 2) {
        GTEST_SKIP() << "only " << hwy::TargetName(targets.front())
                     << " runs here: no vector instruction set to compare";
    }
}

// Converts in with the vector kernels on each instruction set and with the plain loops, at
// each chunk size, and expects the same bytes every time.
void expectAtEveryChunkSize(const FileConverter& convert, const ConversionTable& table,
                            const QByteArray& in, const QByteArray& expected,
                            std::initializer_list<qsizetype> chunks) {
    const auto run = [&](bool portable) {
        for (const qsizetype chunk : chunks) {
            ConvertOptions o;
            o.chunkSize = chunk;
            o.portableLoops = portable;
            EXPECT_TRUE(convertBytes(convert, table, in, o) == expected)
                << "chunk " << chunk << (portable ? ", plain loops" : "");
        }
    };
    run(true);
    onEveryVectorTarget([&] { run(false); });
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

TEST(FastPaths, TextConversionMatchesTheRulesWhereverSpecialBytesFall) {
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
    expectAtEveryChunkSize(ConvertTextFile, *table, in, expected, {63, 64, 1000, 4096, 1 << 18});
}

TEST(FastPaths, RtfConversionAgreesWithTheClipboardRulesWhateverTheBlocksHold) {
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
    expectAtEveryChunkSize(ConvertRtfFile, *table, in, expected, {64, 67, 100, 4096, 1 << 18});
}

// Text of Persian letters, joining punctuation, blanks, Latin letters and digits, line ends
// of each kind, and the bytes the table does not convert one to one.
QByteArray mixedText(quint32 seed, qsizetype size) {
    static const char* const kPieces[] = {"\xc1\xc2\xc3",
                                          "\xe1",
                                          " ",
                                          " ",
                                          "  ",
                                          ".",
                                          ". ",
                                          "(",
                                          ")",
                                          "\"",
                                          "ab",
                                          "x",
                                          "12",
                                          "\r\n",
                                          "\n",
                                          "\r",
                                          "\xe2",
                                          "\xe3",
                                          "\xe4\xe5",
                                          "\xe4",
                                          "\t",
                                          "\xc8\xc9\xca\xcb"};
    Random random{seed};
    QByteArray text;
    while (text.size() < size) {
        text += kPieces[random.next() % std::size(kPieces)];
    }
    return text;
}

TEST(FastPaths, ReorderingConvertersGiveThePlainLoopsBytes) {
    const auto table = parseConversionTable(wideTableText(), Direction::ToMs);
    ASSERT_TRUE(table.has_value());
    for (const quint32 seed : {1u, 2u, 3u}) {
        // Short lines, and lines longer than a chunk and than the memory kept for one.
        const QByteArray in = seed == 3
                                  ? mixedText(seed, 3000).replace('\n', ' ').replace('\r', ' ')
                                  : mixedText(seed, 200000);
        for (const FileConverter& convert :
             {FileConverter(ConvertTextFileRtl), FileConverter(ConvertTextFileLtr)}) {
            ConvertOptions plain;
            plain.portableLoops = true;
            const QByteArray expected = convertBytes(convert, *table, in, plain);
            ASSERT_EQ(expected.size(), convertBytes(ConvertTextFile, *table, in, plain).size());
            for (const qsizetype chunk : {qsizetype{64}, qsizetype{1000}, qsizetype{1} << 18}) {
                for (const qsizetype spill :
                     {qsizetype{100}, ConvertOptions::kDefaultSpillThreshold}) {
                    ConvertOptions o;
                    o.chunkSize = chunk;
                    o.spillThreshold = spill;
                    o.portableLoops = true;
                    EXPECT_TRUE(convertBytes(convert, *table, in, o) == expected)
                        << "plain loops, chunk " << chunk << " spill " << spill;
                    o.portableLoops = false;
                    onEveryVectorTarget([&] {
                        EXPECT_TRUE(convertBytes(convert, *table, in, o) == expected)
                            << "chunk " << chunk << " spill " << spill;
                    });
                }
            }
        }
    }
}

// The lookups give the plain loop's bytes and bits for every length and alignment, every
// byte value and tables of every shape.
TEST(VectorKernels, LookupsGiveThePlainLoopsResults) {
    Random random{11};
    std::vector<std::uint8_t> in(1000);
    for (auto& b : in) {
        b = static_cast<std::uint8_t>(random.next());
    }
    ByteTable table{};
    ByteTable bits{};
    for (std::size_t x = 0; x < 256; ++x) {
        table[x] = static_cast<std::uint8_t>(random.next());
        bits[x] = static_cast<std::uint8_t>(random.next() & 0x0F);
    }
    onEveryVectorTarget([&] {
        for (const std::size_t offset : {0u, 1u, 7u}) {
            for (const qsizetype n : {0, 1, 63, 64, 65, 127, 128, 200, 993}) {
                const std::uint8_t* p = in.data() + offset;
                std::vector<std::uint8_t> out(static_cast<std::size_t>(n)), expected(out);
                lookupBytes(table, p, out.data(), n);
                lookupBytes(table, p, expected.data(), n, true);
                EXPECT_EQ(out, expected) << n;
                const std::size_t words = static_cast<std::size_t>((n + 63) / 64);
                std::vector<std::uint64_t> planes[8];
                for (auto& plane : planes) {
                    plane.assign(words, ~std::uint64_t{0});
                }
                lookupBits(bits, p, n, planes[0].data(), planes[1].data());
                lookupBits(bits, p, n, planes[2].data(), planes[3].data(), true);
                EXPECT_EQ(planes[0], planes[2]) << n;
                EXPECT_EQ(planes[1], planes[3]) << n;
                std::uint64_t* const fused[4] = {planes[4].data(), planes[5].data(),
                                                 planes[6].data(), planes[7].data()};
                lookupBytesAndBits(table, bits, p, out.data(), n, fused, 4);
                EXPECT_EQ(out, expected) << n;
                EXPECT_EQ(planes[4], planes[2]) << n;
                EXPECT_EQ(planes[5], planes[3]) << n;
                for (std::size_t w = 0; w < words; ++w) {
                    std::uint64_t third = 0;
                    std::uint64_t fourth = 0;
                    for (qsizetype k = static_cast<qsizetype>(w) * 64;
                         k < std::min<qsizetype>(n, (static_cast<qsizetype>(w) + 1) * 64); ++k) {
                        third |= static_cast<std::uint64_t>((bits[p[k]] >> 2) & 1) << (k % 64);
                        fourth |= static_cast<std::uint64_t>((bits[p[k]] >> 3) & 1) << (k % 64);
                    }
                    EXPECT_EQ(planes[6][w], third) << n;
                    EXPECT_EQ(planes[7][w], fourth) << n;
                }
            }
        }
    });
}

// The UTF-8 expansion writes each byte's text, from one to four bytes or none, and stops
// before the vector that holds a byte it leaves to its caller; where the processor has the
// byte permutes it needs, it takes every whole vector up to there, and elsewhere nothing.
TEST(VectorKernels, Utf8ExpansionWritesEachBytesTextUpToTheBytesItLeaves) {
    Random random{5};
    Utf8Table table{};
    std::vector<std::string> texts(256);
    for (std::size_t x = 0; x < 256; ++x) {
        const std::size_t length = random.next() % 5;
        for (std::size_t j = 0; j < 4; ++j) {
            // Bytes of any value but the two markers, so that misplaced bytes show.
            const auto b = static_cast<std::uint8_t>(j < length ? random.next() % 0xFE : 0xFF);
            table[256 * j + x] = b;
            if (j < length) {
                texts[x].push_back(static_cast<char>(b));
            }
        }
    }
    const std::uint8_t leftOver = 0x9C;
    table[leftOver] = 0xFE;
    std::vector<std::uint8_t> in(1000);
    for (auto& b : in) {
        b = static_cast<std::uint8_t>(random.next());
        b = b == leftOver ? 0 : b;
    }
    onEveryVectorTarget([&] {
        for (const qsizetype at : {-1, 0, 63, 64, 130, 999}) {
            std::vector<std::uint8_t> bytes = in;
            if (at >= 0) {
                bytes[static_cast<std::size_t>(at)] = leftOver;
            }
            for (const qsizetype n : {0, 63, 64, 129, 1000}) {
                std::vector<std::uint8_t> out(4 * static_cast<std::size_t>(n) + 64 + 3, 0xAA);
                qsizetype o = 3;
                const qsizetype taken = expandUtf8(table, bytes.data(), n, out.data(), o);
                std::string expected;
                for (qsizetype k = 0; k < taken; ++k) {
                    expected += texts[bytes[static_cast<std::size_t>(k)]];
                }
                const qsizetype stop = at >= 0 && at < n ? at : n;
                EXPECT_LE(taken, stop) << n << " " << at;
                EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data()) + 3,
                                      static_cast<std::size_t>(o - 3)),
                          expected)
                    << n << " " << at;
                EXPECT_EQ(out[0], 0xAA); // nothing before o
                EXPECT_EQ(taken, expandsUtf8() ? stop / 64 * 64 : 0) << n << " " << at;
            }
        }
    });
}

} // namespace
