// RTF and text conversion with the clipboard's table, and the file form used by tools.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_service.h"

#include "common/codepage.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::clipboard;

namespace {

// 0xc8 drops, 0xe1 becomes 0xe3, 0xc7 becomes two bytes, 0xd3 0xe1 is a pair, 'A' maps too.
const char kTable[] = "200=\r\n225=227\r\n199=10+13\r\n211+225=250\r\n65=66\r\n";

ClipboardTable table() {
    auto t = parseClipboardTable(kTable, Direction::ToMs);
    EXPECT_TRUE(t);
    return t ? *t : ClipboardTable::identity();
}

struct RtfCase {
    const char* name;
    const char* in;
    const char* out;
};

class RtfConversion : public ::testing::TestWithParam<RtfCase> {};

} // namespace

TEST_P(RtfConversion, Converts) {
    const RtfCase& c = GetParam();
    EXPECT_EQ(convertRtf(table(), QByteArray(c.in)), QByteArray(c.out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfConversion,
    ::testing::Values(
        RtfCase{"NoEscapesCopied", "{\\rtf1\\ansi A plain text}", "{\\rtf1\\ansi A plain text}"},
        RtfCase{"SingleEscape", "x\\'e1y", "x\\'e3y"},
        RtfCase{"UpperCaseDigitsReadWrittenLower", "\\'E1\\'C7", "\\'e3\\'0a\\'0d"},
        RtfCase{"DroppedEscapeVanishes", "a\\'c8b\\'c8", "ab"},
        RtfCase{"ExpansionKeepsFollowingText", "\\'c7 tail}", "\\'0a\\'0d tail}"},
        RtfCase{"PairOfEscapes", "\\'d3\\'e1!", "\\'fa!"},
        RtfCase{"PairWithUpperCaseSecond", "\\'d3\\'E1", "\\'fa"},
        RtfCase{"PairNeedsAdjacentEscape", "\\'d3 \\'e1", "\\'d3 \\'e3"},
        RtfCase{"NotHexCopied", "\\'zz\\'e1", "\\'zz\\'e3"},
        RtfCase{"CutEscapeCopied", "ok\\'e", "ok\\'e"},
        RtfCase{"CutApostropheCopied", "ok\\'", "ok\\'"}, RtfCase{"BackslashAtEnd", "ok\\", "ok\\"},
        RtfCase{"EscapedBackslashIsText", "\\\\'e1\\\\\\'e1", "\\\\'e1\\\\\\'e3"},
        RtfCase{"LevelTextKeptThenConversionGoesOn",
                "{\\leveltext\\'02\\'c8.;}\\'e1{\\levelnumbers\\'e1;}\\'e1",
                "{\\leveltext\\'02\\'c8.;}\\'e3{\\levelnumbers\\'e1;}\\'e3"},
        RtfCase{"LevelWithoutCloseCopiesRest", "\\levelnfc0 \\'e1", "\\levelnfc0 \\'e1"},
        RtfCase{"PlainBytesNeverConverted", "A\xe1", "A\xe1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextConversion, CharactersOutsideTheCodePagePassAndBreakPairs) {
    const ClipboardTable t = table();
    const QChar seen = zerva::common::cp1256Char(0xd3);
    const QChar lam = zerva::common::cp1256Char(0xe1);
    const QChar replaced = zerva::common::cp1256Char(0xe3);
    const QChar pair = zerva::common::cp1256Char(0xfa);
    const QString smile = QString::fromUcs4(U"\U0001F600", 1);
    const QChar devanagari(0x0915); // no byte in code page 1256

    EXPECT_EQ(convertText(t, QString(seen) + lam), QString(pair));
    EXPECT_EQ(convertText(t, QString(seen) + devanagari + lam),
              QString(seen) + devanagari + replaced);
    EXPECT_EQ(convertText(t, QStringLiteral("A") + smile + QChar(zerva::common::cp1256Char(0xc8))),
              QStringLiteral("B") + smile);
    EXPECT_EQ(convertText(t, QString()), QString());
}

TEST(TextConversion, UnicodeTextsOfTheTableReplaceTheCodePage1256Results) {
    // 0xd3 0xe1 is a pair, 'A' has a text, 0xc8 drops, 0xe1 alone has no text.
    const char file[] = "[Unicode]\r\n211+225=U+0644 U+0627\r\n65=U+06F1\r\n"
                        "[Convert Table]\r\n211+225=250\r\n200=\r\n225=227\r\n";
    const auto to = parseClipboardTable(file, Direction::ToMs);
    ASSERT_TRUE(to);
    const auto cp = [](int byte) { return QString(zerva::common::cp1256Char(byte)); };
    const QChar devanagari(0x0915);
    const QString input = cp(0xd3) + cp(0xe1) + QStringLiteral("A") + devanagari + cp(0xc8) +
                          cp(0xe1) + QStringLiteral("B");
    EXPECT_EQ(convertText(*to, input),
              QStringLiteral("\u0644\u0627\u06F1") + devanagari + cp(0xe3) + QStringLiteral("B"));
    // RTF takes them too, as \uN with the code page 1256 bytes as fallback: the pair's two
    // characters share its one byte.
    EXPECT_EQ(convertRtf(*to, "\\'d3\\'e1A\\'c8\\'e1"),
              QByteArray("\\u1604\\'fa\\uc0 \\u1575 \\uc1 A\\u1605\\'e3"));

    // From code page 1256 the section is not read.
    const auto from = parseClipboardTable(file, Direction::FromMs);
    ASSERT_TRUE(from);
    EXPECT_EQ(convertText(*from, QString(zerva::common::cp1256Char(0xfa)) + QStringLiteral("A")),
              cp(0xd3) + cp(0xe1) + QStringLiteral("A"));
}

TEST(TextConversion, BundledIsiriTableKeepsPersianYehKehehAndDigits) {
    TableProblem problem;
    const auto table = readClipboardTable(zerva::test::dataDir(), 2, Direction::ToMs, &problem);
    ASSERT_TRUE(table) << problem.reason.toStdString();
    // ISIRI 3342 bytes of "کیک ۱۳۸۰" pasted as if they were code page 1256 text.
    QString pasted;
    for (int byte : {0xda, 0xe1, 0xda, 0x20, 0xb1, 0xb3, 0xb8, 0xb0}) {
        pasted += zerva::common::cp1256Char(byte);
    }
    EXPECT_EQ(convertText(*table, pasted),
              QStringLiteral("\u06A9\u06CC\u06A9 \u06F1\u06F3\u06F8\u06F0"));
    // The clipboard's RTF and the bytes still go to code page 1256 with its best fits.
    EXPECT_EQ(convertTextBytes(*table, QByteArray::fromHex("dae1b1")),
              QByteArray::fromHex("98ed31"));
}

TEST(PlainBytes, ValidUtf8IsReadAsSuchAnythingElseAsItsOwnBytes) {
    const QString persian = QStringLiteral("سلام ZERVA");
    EXPECT_EQ(textFromPlainBytes(persian.toUtf8()), persian);
    // A replacement character that was written as such is text like any other.
    EXPECT_EQ(textFromPlainBytes("a\xef\xbf\xbd"), QStringLiteral("a\uFFFD"));

    // A legacy program's 8-bit text: every byte comes through as itself.
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    for (const QByteArray& legacy : {all, QByteArray("\xd3\xe1 \xe1"), QByteArray("A\xc8")}) {
        const QString text = textFromPlainBytes(legacy);
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
        EXPECT_EQ(zerva::common::toCp1256(text), legacy);
    }
    // And converts as those bytes do.
    EXPECT_EQ(convertText(table(), textFromPlainBytes("\xd3\xe1 \xe1")),
              zerva::common::fromCp1256("\xfa \xe3"));
}

TEST(ClipboardFile, ConvertsTextAndRtfAndKeepsTheOutputOnFailure) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    ASSERT_TRUE(zerva::test::writeFile(in, QByteArray::fromHex("d3e1c7c841")));
    EXPECT_EQ(ConvertClipboardFile(table(), ClipboardFormat::Text, in, out), FileResult::Ok);
    EXPECT_EQ(zerva::test::readFile(out), QByteArray::fromHex("fa0a0d42"));

    ASSERT_TRUE(zerva::test::writeFile(in, "{\\'d3\\'e1 A}"));
    EXPECT_EQ(ConvertClipboardFile(table(), ClipboardFormat::Rtf, in, out), FileResult::Ok);
    EXPECT_EQ(zerva::test::readFile(out), QByteArray("{\\'fa A}"));

    // A missing input leaves the earlier output as it was.
    EXPECT_EQ(ConvertClipboardFile(table(), ClipboardFormat::Rtf,
                                   dir.filePath(QStringLiteral("missing")), out),
              FileResult::ReadFailed);
    EXPECT_EQ(zerva::test::readFile(out), QByteArray("{\\'fa A}"));
    EXPECT_EQ(ConvertClipboardFile(table(), ClipboardFormat::Text, in,
                                   dir.filePath(QStringLiteral("no/such/dir/out"))),
              FileResult::WriteFailed);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}
