// The two RTF rewrites of the Word document path.
#include "converter/word_rtf.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::converter;

namespace {

QByteArray rewrite(bool (*pass)(const QString&, const QString&), const QByteArray& in) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.rtf"));
    const QString destination = dir.filePath(QStringLiteral("out.rtf"));
    EXPECT_TRUE(zerva::test::writeFile(source, in));
    EXPECT_TRUE(pass(source, destination));
    return zerva::test::readFile(destination);
}

struct UnicodeCase {
    const char* name;
    QByteArray in;
    QByteArray out;
};

class RtfUnicodeToCodePage : public ::testing::TestWithParam<UnicodeCase> {};

TEST_P(RtfUnicodeToCodePage, TurnsCharactersOfTheCodePageIntoEscapes) {
    const UnicodeCase& c = GetParam();
    EXPECT_EQ(rewrite(rtfUnicodeToCodePage, c.in), c.out);
}

const UnicodeCase kUnicodeCases[] = {
    {"Plain", "{\\rtf1 abc\\par}", "{\\rtf1 abc\\par}"},
    {"OneFallback", "\\u1587\\'3f x", "\\'d3 x"},
    {"FallbackChar", "\\u1587?x", "\\'d3x"},
    {"DelimitingBlank", "\\u1587 ?x", "\\'d3x"},
    {"Uc2", "{\\uc2\\u1587\\'3f\\'3fx}", "{\\uc2\\'d3x}"},
    {"Uc0", "\\uc0\\u1587 x", "\\uc0\\'d3x"},
    {"UcRestoredByGroupEnd", "{\\uc2 a}\\u1587??", "{\\uc2 a}\\'d3?"},
    {"FallbackEndsAtAGroup", "\\u1587{x}", "\\'d3{x}"},
    {"LineBreaksAreNotFallback", "\\u1587\r\n?x", "\\'d3\r\nx"},
    {"NegativeForm", "\\u-1\\'3f", "\\u-1\\'3f"},         // U+FFFF: not in the code page
    {"NotInTheCodePage", "\\u1488\\'3f", "\\u1488\\'3f"}, // Hebrew alef
    {"AsciiKept", "\\u65 A", "\\u65 A"},
    {"PersianYehHasNoByte", "\\u1740\\'3f", "\\u1740\\'3f"},
    {"Keheh", "\\u1705\\'3f", "\\'98"},
    {"EscapedBackslash", "\\\\u1587", "\\\\u1587"},
    {"OtherWords", "\\ul\\u1587\\'3f\\ulnone", "\\ul\\'d3\\ulnone"},
};
INSTANTIATE_TEST_SUITE_P(Cases, RtfUnicodeToCodePage, ::testing::ValuesIn(kUnicodeCases),
                         zerva::test::RowName());

struct EscapeCase {
    const char* name;
    QByteArray in;
    QByteArray out;
};

class RtfCodePageToUnicode : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(RtfCodePageToUnicode, WritesEscapesAsCharactersWithTheEscapeAsFallback) {
    const EscapeCase& c = GetParam();
    EXPECT_EQ(rewrite(rtfCodePageToUnicode, c.in), c.out);
}

const EscapeCase kEscapeCases[] = {
    {"Plain", "{\\rtf1 abc}", "{\\rtf1 abc}"},
    {"Escape", "\\'d3x", "\\u1587\\'d3x"},
    {"UpperCaseDigits", "\\'D3", "\\u1587\\'d3"},
    {"OtherUc", "{\\uc2\\'d3}", "{\\uc2\\uc1\\u1587\\'d3\\uc2 }"},
    {"LevelTextKept", "{\\leveltext\\'02\\'00.;}\\'c7", "{\\leveltext\\'02\\'00.;}\\u1575\\'c7"},
    {"NotAnEscape", "\\'zz", "\\'zz"},
    {"EscapedBackslash", "\\\\'d3", "\\\\'d3"},
};
INSTANTIATE_TEST_SUITE_P(Cases, RtfCodePageToUnicode, ::testing::ValuesIn(kEscapeCases),
                         zerva::test::RowName());

TEST(RtfRewrites, LongFilesStreamThroughUnchangedInShape) {
    QByteArray in = "{\\rtf1 ";
    QByteArray expected = in;
    for (int i = 0; i < 50000; ++i) {
        in += "\\u1587\\'3f ab";
        expected += "\\'d3 ab";
    }
    EXPECT_EQ(rewrite(rtfUnicodeToCodePage, in), expected);
    QTemporaryDir dir;
    EXPECT_FALSE(rtfUnicodeToCodePage(dir.filePath(QStringLiteral("missing.rtf")),
                                      dir.filePath(QStringLiteral("out.rtf"))));
}

} // namespace
