// The two RTF rewrites of the Word document path.
#include "converter/word_rtf.h"
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

TEST(RtfUnicodeToCodePage, TurnsCharactersOfTheCodePageIntoEscapes) {
    const struct {
        const char* name;
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"plain", "{\\rtf1 abc\\par}", "{\\rtf1 abc\\par}"},
        {"one fallback", "\\u1587\\'3f x", "\\'d3 x"},
        {"fallback char", "\\u1587?x", "\\'d3x"},
        {"delimiting blank", "\\u1587 ?x", "\\'d3x"},
        {"uc2", "{\\uc2\\u1587\\'3f\\'3fx}", "{\\uc2\\'d3x}"},
        {"uc0", "\\uc0\\u1587 x", "\\uc0\\'d3x"},
        {"uc restored by group end", "{\\uc2 a}\\u1587??", "{\\uc2 a}\\'d3?"},
        {"fallback ends at a group", "\\u1587{x}", "\\'d3{x}"},
        {"line breaks are not fallback", "\\u1587\r\n?x", "\\'d3\r\nx"},
        {"negative form", "\\u-1\\'3f", "\\u-1\\'3f"},            // U+FFFF: not in the code page
        {"not in the code page", "\\u1488\\'3f", "\\u1488\\'3f"}, // Hebrew alef
        {"ascii kept", "\\u65 A", "\\u65 A"},
        {"persian yeh has no byte", "\\u1740\\'3f", "\\u1740\\'3f"},
        {"keheh", "\\u1705\\'3f", "\\'98"},
        {"escaped backslash", "\\\\u1587", "\\\\u1587"},
        {"other words", "\\ul\\u1587\\'3f\\ulnone", "\\ul\\'d3\\ulnone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rewrite(rtfUnicodeToCodePage, c.in), c.out);
    }
}

TEST(RtfCodePageToUnicode, WritesEscapesAsCharactersWithTheEscapeAsFallback) {
    const struct {
        const char* name;
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"plain", "{\\rtf1 abc}", "{\\rtf1 abc}"},
        {"escape", "\\'d3x", "\\u1587\\'d3x"},
        {"upper-case digits", "\\'D3", "\\u1587\\'d3"},
        {"other uc", "{\\uc2\\'d3}", "{\\uc2\\uc1\\u1587\\'d3\\uc2 }"},
        {"level text kept", "{\\leveltext\\'02\\'00.;}\\'c7",
         "{\\leveltext\\'02\\'00.;}\\u1575\\'c7"},
        {"not an escape", "\\'zz", "\\'zz"},
        {"escaped backslash", "\\\\'d3", "\\\\'d3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rewrite(rtfCodePageToUnicode, c.in), c.out);
    }
}

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
