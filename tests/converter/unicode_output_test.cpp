// UTF-8 output and logical order: UTF-8 is the code page 1256 output decoded where the table
// gives no Unicode text, at every chunk size; lines shown right to left come back in the
// order they are read, with digits, punctuation, quotes, Latin words and brackets, in both
// outputs.
#include "common/codepage.h"
#include "converter/text_convert.h"
#include "tests/converter/real_text.h"
#include "tests/converter/test_tables.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include <QString>

#include <unicode/ubidi.h>

#include <gtest/gtest.h>

#include <vector>

using namespace zerva::converter;
using zerva::common::fromCp1256;
using zerva::common::toCp1256;
using zerva::test::bytes;
using zerva::test::convertBytes;
using zerva::test::makeTable;

namespace {

QByteArray utf8Of(const QByteArray& cp1256) {
    return fromCp1256(cp1256).toUtf8();
}

// Without [Unicode], every unit's text is its code page 1256 result: drops, two-byte
// results and pairs included, wherever a chunk ends; the walks' UTF-8 is their code page
// 1256 output decoded.
TEST(Utf8Output, IsTheCodePage1256OutputDecodedWithoutUnicodeTexts) {
    const ConversionTable t =
        makeTable({"65=", "66=225+199", "200+201=237", "128=161", "129=236+200"});
    QByteArray in;
    for (int i = 0; i < 4000; ++i) {
        in += bytes({'A', 'B', 200, 201, 128, 129, 200, 'x', 13, 10, 250, 0x20, '1', '.'});
    }
    for (const auto& convert : {zerva::test::FileConverter(ConvertTextFile),
                                zerva::test::FileConverter(ConvertTextFileRtl),
                                zerva::test::FileConverter(ConvertTextFileLtr)}) {
        const QByteArray expected = utf8Of(convertBytes(convert, t, in, {}));
        for (const qsizetype chunk : {qsizetype{1}, qsizetype{2}, qsizetype{7}, qsizetype{4096},
                                      ConvertOptions::kDefaultChunkSize}) {
            ConvertOptions o;
            o.chunkSize = chunk;
            o.output = TextOutput::Utf8;
            EXPECT_EQ(convertBytes(convert, t, in, o), expected) << "chunk " << chunk;
        }
    }
}

// With the bundled ISIRI 3342 table, UTF-8 output is what iconv makes of the same bytes, byte
// for byte, on every word of the Persian dictionary (Persian yeh, keheh and digits kept).
TEST(Utf8Output, BundledIsiri3342TableGivesWhatIconvGives) {
    const QStringList words = zerva::test::dictionaryWords(1);
    if (words.isEmpty()) {
        GTEST_SKIP() << "the Persian dictionary (package myspell-fa) is not installed";
    }
    QString text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        text += words[i] + (i % 12 == 11 ? QStringLiteral("\r\n") : QStringLiteral(" "));
    }
    text += QStringLiteral("\u06F0\u06F1\u06F2\u06F3 \u06CC\u06A9 \u00AB\u00BB\r\n");
    const auto legacy = zerva::test::iconv(text.toUtf8(), "UTF-8", "ISIRI-3342", true);
    ASSERT_TRUE(legacy.has_value());
    const auto expected = zerva::test::iconv(*legacy, "ISIRI-3342", "UTF-8");
    ASSERT_TRUE(expected.has_value());
    ASSERT_GT(expected->size(), 1000000);

    zerva::test::FakeMessenger messages;
    const auto table = LoadConversionTable(zerva::test::dataDir(), 2, Direction::ToMs, messages);
    ASSERT_TRUE(table.has_value());
    ConvertOptions o;
    o.output = TextOutput::Utf8;
    EXPECT_TRUE(convertBytes(ConvertTextFile, *table, *legacy, o) == *expected);
    o.chunkSize = 997;
    EXPECT_TRUE(convertBytes(ConvertTextFile, *table, *legacy, o) == *expected);
}

// A line in logical order as a right-to-left display shows it, left to right, with
// brackets mirrored: what a program that stored the screen wrote.
QString shown(const QString& logical) {
    UErrorCode error = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_open();
    ubidi_setPara(bidi, reinterpret_cast<const UChar*>(logical.utf16()),
                  static_cast<int32_t>(logical.size()), UBIDI_RTL, nullptr, &error);
    std::vector<UChar> out(static_cast<std::size_t>(logical.size()) + 1);
    const int32_t n = ubidi_writeReordered(bidi, out.data(), static_cast<int32_t>(out.size()),
                                           UBIDI_DO_MIRRORING, &error);
    ubidi_close(bidi);
    EXPECT_TRUE(U_SUCCESS(error));
    return QString(reinterpret_cast<const QChar*>(out.data()), n);
}

struct LogicalCase {
    const char* name;
    const char16_t* line; // in reading order
};

class LogicalOrder : public ::testing::TestWithParam<LogicalCase> {};

// Each line, shown and stored as code page 1256 bytes, comes back in reading order, as
// code page 1256 bytes and as UTF-8, line ends kept; lines without left-to-right text take
// a shorter way, and the bidirectional algorithm gives the same for them.
TEST_P(LogicalOrder, ShownLinesComeBackInReadingOrder) {
    const QString logical = QString::fromUtf16(GetParam().line);
    const QByteArray stored = toCp1256(shown(logical)) + "\r\n" + toCp1256(shown(logical));
    const QByteArray expected = toCp1256(logical) + "\r\n" + toCp1256(logical);
    const ConversionTable identity = makeTable({});
    for (const bool portable : {false, true}) {
        for (const qsizetype chunk : {qsizetype{3}, ConvertOptions::kDefaultChunkSize}) {
            SCOPED_TRACE(portable ? "bidirectional algorithm for every line" : "");
            ConvertOptions o;
            o.chunkSize = chunk;
            o.portableLoops = portable;
            EXPECT_EQ(fromCp1256(convertBytes(ConvertTextFileLogical, identity, stored, o)),
                      fromCp1256(expected));
            o.output = TextOutput::Utf8;
            EXPECT_EQ(QString::fromUtf8(convertBytes(ConvertTextFileLogical, identity, stored, o)),
                      fromCp1256(expected));
        }
    }
}

const LogicalCase kLogicalCases[] = {
    {"Words", u"سلام دنیای خوب"},
    {"DigitsBesidePunctuation", u"تعداد ۳، نه ۴"},
    {"AsciiDigitsAndComma", u"سال 1380، ماه 12"},
    {"Percent", u"مقدار %s است"},
    {"QuotesAroundWords", u"گفت «بیا» و رفت"},
    {"LatinWords", u"برنامه Word را باز کنید"},
    {"Brackets", u"کتاب (جلد دوم) خوب است"},
    {"NumberAtTheEnd", u"صفحه 25"},
    {"OnlyLatin", u"hello world"},
    {"Empty", u""},
};
INSTANTIATE_TEST_SUITE_P(Cases, LogicalOrder, ::testing::ValuesIn(kLogicalCases),
                         zerva::test::RowName());

// A unit of two characters (a lam-alef byte of a legacy font) is one glyph on the screen;
// its two characters come back in reading order, in both outputs.
TEST(LogicalOrderUnits, TwoCharacterUnitsKeepTheirOrder) {
    // Byte 250 is lam-alef: lam (225) then alef (199).
    const ConversionTable t = makeTable({"250=225+199"});
    // Shown: "ب" then lam-alef then "م" from the right: stored left to right as م, لا, ب.
    const QByteArray stored = bytes({0xE3, 250, 0xC8});
    const QByteArray expected = bytes({0xC8, 225, 199, 0xE3});
    EXPECT_EQ(convertBytes(ConvertTextFileLogical, t, stored), expected);
    ConvertOptions o;
    o.output = TextOutput::Utf8;
    EXPECT_EQ(convertBytes(ConvertTextFileLogical, t, stored, o), utf8Of(expected));
}

// A line longer than one piece is reordered in pieces; nothing is lost or repeated.
TEST(LogicalOrderUnits, LongLinesLoseNothing) {
    const ConversionTable identity = makeTable({});
    QByteArray line;
    while (line.size() < 3 * kLogicalPiece) {
        line += bytes({0xC8, 0xC7, 0xE3, ' ', 'a', 'b', ' ', '1', '2', ' '});
    }
    const QByteArray out = convertBytes(ConvertTextFileLogical, identity, line + "\n");
    ASSERT_EQ(out.size(), line.size() + 1);
    QByteArray sortedIn = line + "\n";
    QByteArray sortedOut = out;
    std::sort(sortedIn.begin(), sortedIn.end());
    std::sort(sortedOut.begin(), sortedOut.end());
    EXPECT_EQ(sortedOut, sortedIn);
    EXPECT_TRUE(out.endsWith('\n'));
}

} // namespace
