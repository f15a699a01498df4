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

// RTF read as RTF: \uN and its fallback by \ucN (scoped by groups), fonts and their
// charsets, the header, binary data. Towards code page 1256 with the same table as above
// (e1 -> c1, e2 dropped, e4 e5 -> cc, ab -> 0a ef) and "?" -> "@", at every chunk size.
class ConvertRtfFileAsRtf : public ::testing::TestWithParam<RtfCase> {};

TEST_P(ConvertRtfFileAsRtf, Converts) {
    const ConversionTable t =
        makeTable({"225=193", "226=", "227=170+187", "228+229=204", "171=10+239", "63=64"});
    for (const bool portable : {false, true}) {
        for (qsizetype chunk : {1, 2, 3, 7, 13, 64, 1 << 18}) {
            ConvertOptions o;
            o.chunkSize = chunk;
            o.portableLoops = portable;
            EXPECT_EQ(convertBytes(kRtf, t, GetParam().in, o), GetParam().out)
                << "chunk " << chunk << (portable ? ", plain loops" : "");
        }
    }
}

const RtfCase kRtfCases[] = {
    // a-acute is byte e1 in code page 1252, the document's code page without a font table.
    {"UnicodeOfALegacyByte", R"(\u225\'e1x)", R"(\u1569\'c1x)"},
    {"UnicodeWithoutAByteKeepsItsFallback", R"(\u1587\'3f\'3f)", R"(\u1587\'3f\'40)"},
    {"DroppedWithItsFallback", R"(\u226\'e2y)", "y"},
    {"FallbackNotSplitByATwoByteEntry", R"({\uc1 \u171\'ab%s\u187\'bb\par})",
     R"({\uc1 \u10\'0a\u239\'ef%s\u187\'bb\par})"},
    {"NoFallback", R"(\uc0\u225 x)", R"(\uc0\uc1 \u1569\'c1\uc0 x)"},
    {"TwoFallbackUnits", R"(\uc2\u225\'e1\'e1x)", R"(\uc2\uc1 \u1569\'c1\uc2 x)"},
    {"UcScopedByGroups", R"({\uc2\u225 ab}\u225 ab)", R"({\uc2\uc1 \u1569\'c1\uc2 }\u1569\'c1b)"},
    {"FallbackCutByAGroupEnd", R"({\uc2\u225\'e1}\'e1)", R"({\uc2\uc1 \u1569\'c1\uc2 }\'c1)"},
    {"NegativeInASymbolFont", R"({\fonttbl{\f1\fcharset2 Symbol;}}{\f1\u-3871\'e1})",
     R"({\fonttbl{\f1\fcharset178 Symbol;}}{\f1\u1569\'c1})"},
    {"NegativeWithoutAByte", R"(\u-4\'3f)", R"(\u-4\'3f)"},
    {"PairAcrossUnicodeAndEscape", R"(\u228\'e4\'e5)", R"(\u1580\'cc)"},
    {"FontsAndHeaderDeclareCodePage1256",
     R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fnil\fcharset0 Arial;}{\f1\fnil\cpg1252 C;})"
     R"({\f2\fnil\fcharset0 Unused;}}\f1\'e1\f0\u225\'e1x})",
     R"({\rtf1\ansi\ansicpg1256\deff0{\fonttbl{\f0\fnil\fcharset178 Arial;}{\f1\fcharset178 )"
     R"(\fnil\cpg1256 C;}{\f2\fnil\fcharset0 Unused;}}\f1\'c1\f0\u1569\'c1x})"},
    {"HeaderWithoutCodePage", R"({\rtf1\ansi \'e1})", R"({\rtf1\ansi \ansicpg1256 \'c1})"},
    {"HeaderWithoutCharset", R"({\rtf1 \'e1})", R"({\rtf1 \ansicpg1256 \'c1})"},
    {"NothingConvertedNothingDeclared", R"({\rtf1\ansi\ansicpg1252 x\u1587?})",
     R"({\rtf1\ansi\ansicpg1252 x\u1587?})"},
    {"FontNamesAreNotText", R"({\fonttbl{\f0\fcharset0 \'e1;}}\'e1)",
     R"({\fonttbl{\f0\fcharset178 \'e1;}}\'c1)"},
    {"BinaryDataCopied", R"(\bin3 \'e1}\'e1)", R"(\bin3 \'e1}\'c1)"},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertRtfFileAsRtf, ::testing::ValuesIn(kRtfCases),
                         zerva::test::RowName());

TEST(ConvertRtfFile, FromCodePage1256DeclarationsStayAndUnicodeIsCodePage1256) {
    const ConversionTable from = makeTable({"225=193"}, Direction::FromMs);
    // hamza (U+0621, c1) in a font that says Western is still code page 1256 text.
    const QByteArray in = R"({\rtf1\ansi\ansicpg1256{\fonttbl{\f0\fcharset0 A;}}\u1569?\'c1})";
    EXPECT_EQ(convertBytes(kRtf, from, in),
              QByteArray(R"({\rtf1\ansi\ansicpg1256{\fonttbl{\f0\fcharset0 A;}}\'e1\'e1})"));
}

TEST(ConvertRtfFile, Utf8OutputWritesTheTablesUnicodeTextWithCodePage1256Fallback) {
    const ConversionTable t = makeTable({"225=237", "226=193", "[Unicode]", "225=U+06CC"});
    ConvertOptions o;
    o.output = TextOutput::Utf8;
    // Persian yeh, which code page 1256 lacks, survives; hamza comes from its byte.
    EXPECT_EQ(convertBytes(kRtf, t, R"({\rtf1\ansi \'e1\'e2 x})", o),
              QByteArray(R"({\rtf1\ansi \ansicpg1256 \u1740\'ed\u1569\'c1 x})"));
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
