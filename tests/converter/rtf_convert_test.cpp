// The RTF converter: escapes, pairs, escaped backslashes, level groups, cut-off escapes and
// buffer-size independence.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "converter/rtf_convert.h"
#include "tests/converter/test_tables.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

using namespace zerva::converter;
using zerva::test::convertBytes;
using zerva::test::FileConverter;
using zerva::test::makeTable;

namespace {

const FileConverter kRtf = ConvertRtfFile;

struct RtfCase {
    const char* name;
    QByteArray in;
    QByteArray out;
};

class ConvertRtfFileEscapes : public ::testing::TestWithParam<RtfCase> {};

// Every row at chunk sizes that cut escapes and pairs anywhere, with the vector kernels and
// with the plain loops.
TEST_P(ConvertRtfFileEscapes, Rewrites) {
    // e1 -> c1, e2 dropped, e3 -> aa bb, e4 e5 -> cc; 171 (ab) -> 0a ef.
    const ConversionTable t =
        makeTable({"225=193", "226=", "227=170+187", "228+229=204", "171=10+239"});
    for (const bool portable : {false, true}) {
        for (qsizetype chunk : {1, 2, 3, 5, 7, 8, 9, 13, 1 << 18}) {
            ConvertOptions o;
            o.chunkSize = chunk;
            o.portableLoops = portable;
            EXPECT_EQ(convertBytes(kRtf, t, GetParam().in, o), GetParam().out)
                << "chunk " << chunk << (portable ? ", plain loops" : "");
        }
    }
}

const RtfCase kEscapeCases[] = {
    {"NoEscapes", "{\\rtf1\\ansi plain \xe1 text}\r\n", "{\\rtf1\\ansi plain \xe1 text}\r\n"},
    {"OneByte", "a\\'e1b", "a\\'c1b"},
    {"UpperCaseDigits", "\\'E1\\'Ab", "\\'c1\\'0a\\'ef"},
    {"Dropped", "x\\'e2y", "xy"},
    {"TwoBytes", "\\'e3", "\\'aa\\'bb"},
    {"Pair", "\\'e4\\'e5", "\\'cc"},
    {"PairWithUpperCaseSecond", "\\'e4\\'E5", "\\'cc"},
    {"PairHeadAlone", "\\'e4 \\'e5", "\\'e4 \\'e5"},
    {"NotHexDigits", "\\'zz\\'e1", "\\'zz\\'c1"},
    {"OneDigitThenEscape", "\\'e\\'e1", "\\'e\\'c1"},
    {"CutOffAtTheEnd", "ab\\'e", "ab\\'e"},
    {"ApostropheAtTheEnd", "ab\\'", "ab\\'"},
    {"BackslashAtTheEnd", "ab\\", "ab\\"},
    {"EscapedBackslash", "\\\\'e1 \\\\\\'e1", "\\\\'e1 \\\\\\'c1"},
    {"ControlWord", "\\par\\'e1", "\\par\\'c1"},
    {"LevelGroup", "{\\leveltext\\'02\\'e1.;}\\'e1", "{\\leveltext\\'02\\'e1.;}\\'c1"},
    {"LevelTextFarAway", "\\levelnfc0" + QByteArray(5000, ' ') + "\\'e1}\\'e1",
     "\\levelnfc0" + QByteArray(5000, ' ') + "\\'e1}\\'c1"},
    {"LevelWithoutEnd", "\\level\\'e1", "\\level\\'e1"},
    {"ListlevelIsNotLevel", "\\listlevel\\'e1", "\\listlevel\\'c1"},
    {"LevelIsCaseSensitive", "\\Level\\'e1}", "\\Level\\'c1}"},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertRtfFileEscapes, ::testing::ValuesIn(kEscapeCases),
                         zerva::test::RowName());

TEST(ConvertRtfFile, ReversedTableWritesLowerCase) {
    const ConversionTable from = makeTable({"225=193", "228+229=204"}, Direction::FromMs);
    EXPECT_EQ(convertBytes(kRtf, from, "\\'C1\\'CC"), "\\'e1\\'e4\\'e5");
}

// Long runs of escapes, with every kind of entry among them, against the clipboard
// converter's RTF rules (the same rules, written separately) at many buffer sizes.
TEST(ConvertRtfFile, AgreesWithTheClipboardRulesOnLongText) {
    const auto lines = {"225=193", "226=", "227=170+187", "228+229=204", "171=10+239", "200=201"};
    const ConversionTable table = makeTable(lines);
    const auto clipTable = zerva::clipboard::parseClipboardTable(zerva::test::tableText(lines),
                                                                 zerva::clipboard::Direction::ToMs);
    ASSERT_TRUE(clipTable.has_value());
    const char* const tokens[] = {"\\'e1",
                                  "\\'E1",
                                  "\\'c8",
                                  "\\'C8",
                                  "\\'e2",
                                  "\\'e3",
                                  "\\'e4",
                                  "\\'e5",
                                  "\\'aB",
                                  "\\'d3",
                                  "\\'d3",
                                  "\\'d3",
                                  "\\'zz",
                                  "\\'e",
                                  "\\\\",
                                  " ",
                                  " ",
                                  "\\par\r\n",
                                  "{\\leveltext\\'02\\'e1;}",
                                  "a"};
    quint32 seed = 99;
    QByteArray in = "{\\rtf1\\ansi ";
    while (in.size() < 40000) {
        seed = seed * 1103515245u + 12345u;
        in += tokens[(seed >> 16) % std::size(tokens)];
    }
    const QByteArray expected = zerva::clipboard::convertRtf(*clipTable, in);
    for (qsizetype chunk : {1, 5, 16, 17, 31, 4096, 1 << 18}) {
        ConvertOptions o;
        o.chunkSize = chunk;
        EXPECT_TRUE(convertBytes(kRtf, table, in, o) == expected) << "chunk " << chunk;
    }
}

} // namespace
