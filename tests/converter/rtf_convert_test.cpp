// The RTF converter: escapes, pairs, escaped backslashes, level groups, cut-off escapes and
// buffer-size independence.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "converter/rtf_convert.h"
#include "tests/converter/test_tables.h"

#include <gtest/gtest.h>

using namespace zerva::converter;
using zerva::test::convertBytes;
using zerva::test::FileConverter;
using zerva::test::makeTable;

namespace {

const FileConverter kRtf = ConvertRtfFile;

TEST(ConvertRtfFile, RewritesEscapes) {
    // e1 -> c1, e2 dropped, e3 -> aa bb, e4 e5 -> cc; 171 (ab) -> 0a ef.
    const ConversionTable t =
        makeTable({"225=193", "226=", "227=170+187", "228+229=204", "171=10+239"});
    const struct {
        const char* name;
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"no escapes", "{\\rtf1\\ansi plain \xe1 text}\r\n", "{\\rtf1\\ansi plain \xe1 text}\r\n"},
        {"one byte", "a\\'e1b", "a\\'c1b"},
        {"upper-case digits", "\\'E1\\'Ab", "\\'c1\\'0a\\'ef"},
        {"dropped", "x\\'e2y", "xy"},
        {"two bytes", "\\'e3", "\\'aa\\'bb"},
        {"pair", "\\'e4\\'e5", "\\'cc"},
        {"pair with upper-case second", "\\'e4\\'E5", "\\'cc"},
        {"pair head alone", "\\'e4 \\'e5", "\\'e4 \\'e5"},
        {"not hex digits", "\\'zz\\'e1", "\\'zz\\'c1"},
        {"one digit then escape", "\\'e\\'e1", "\\'e\\'c1"},
        {"cut off at the end", "ab\\'e", "ab\\'e"},
        {"apostrophe at the end", "ab\\'", "ab\\'"},
        {"backslash at the end", "ab\\", "ab\\"},
        {"escaped backslash", "\\\\'e1 \\\\\\'e1", "\\\\'e1 \\\\\\'c1"},
        {"control word", "\\par\\'e1", "\\par\\'c1"},
        {"level group", "{\\leveltext\\'02\\'e1.;}\\'e1", "{\\leveltext\\'02\\'e1.;}\\'c1"},
        {"level text far away", "\\levelnfc0" + QByteArray(5000, ' ') + "\\'e1}\\'e1",
         "\\levelnfc0" + QByteArray(5000, ' ') + "\\'e1}\\'c1"},
        {"level without end", "\\level\\'e1", "\\level\\'e1"},
        {"listlevel is not level", "\\listlevel\\'e1", "\\listlevel\\'c1"},
        {"Level is case-sensitive", "\\Level\\'e1}", "\\Level\\'c1}"},
    };
    for (const auto& c : cases) {
        for (qsizetype chunk : {1, 2, 3, 5, 7, 8, 9, 13, 1 << 18}) {
            ConvertOptions o;
            o.chunkSize = chunk;
            EXPECT_EQ(convertBytes(kRtf, t, c.in, o), c.out) << c.name << " chunk " << chunk;
        }
    }
}

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
