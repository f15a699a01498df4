// UTF-8 output and logical order: UTF-8 is the code page 1256 output decoded where the table
// gives no Unicode text, at every chunk size; the walks write the units' Unicode texts in
// their order; lines shown right to left come back in the
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

#include <map>
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
// results and pairs included, wherever a chunk ends and however short the spill threshold
// (lines and runs then go through the temporary file); the walks' and logical order's UTF-8
// is their code page 1256 output decoded, and the plain loops give the same.
TEST(Utf8Output, IsTheCodePage1256OutputDecodedWithoutUnicodeTexts) {
    const ConversionTable t =
        makeTable({"65=", "66=225+199", "200+201=237", "128=161", "129=236+200"});
    QByteArray in;
    for (int i = 0; i < 4000; ++i) {
        in += bytes({'A', 'B', 200, 201, 128, 129, 200, 'x', 13, 10, 250, 0x20, '1', '.'});
    }
    // A line of 3000 bytes and a Persian run of 2000 without a line end.
    for (int i = 0; i < 500; ++i) {
        in += bytes({'B', 200, 201, ' ', 'y', 129});
    }
    in += QByteArray(2000, '\xC8');
    for (const auto& convert : {zerva::test::FileConverter(ConvertTextFile),
                                zerva::test::FileConverter(ConvertTextFileRtl),
                                zerva::test::FileConverter(ConvertTextFileLtr),
                                zerva::test::FileConverter(ConvertTextFileLogical)}) {
        const QByteArray cp1256 = convertBytes(convert, t, in, {});
        ConvertOptions plainLoops;
        plainLoops.portableLoops = true;
        EXPECT_EQ(convertBytes(convert, t, in, plainLoops), cp1256);
        const QByteArray expected = utf8Of(cp1256);
        plainLoops.output = TextOutput::Utf8;
        EXPECT_EQ(convertBytes(convert, t, in, plainLoops), expected);
        for (const qsizetype chunk : {qsizetype{1}, qsizetype{2}, qsizetype{7}, qsizetype{4096},
                                      ConvertOptions::kDefaultChunkSize}) {
            for (const qsizetype spill : {qsizetype{1}, qsizetype{5}, qsizetype{64},
                                          ConvertOptions::kDefaultSpillThreshold}) {
                if (chunk < 7 && spill < 64) {
                    continue; // slow, and nothing the other rows miss
                }
                ConvertOptions o;
                o.chunkSize = chunk;
                o.spillThreshold = spill;
                o.output = TextOutput::Utf8;
                EXPECT_EQ(convertBytes(convert, t, in, o), expected)
                    << "chunk " << chunk << ", spill threshold " << spill;
            }
        }
    }
}

// With Unicode texts the walks put the units' bytes in the same order as with code page 1256
// output, and each byte writes its unit's text: the character of its place when the text has
// as many characters as the unit has bytes, otherwise the whole text at the unit's first
// byte. Every output byte of this table comes from one unit only, so the UTF-8 expected is
// the code page 1256 walk with each byte read as its unit's text.
TEST(Utf8Walks, WriteTheUnitsUnicodeTextsInTheWalksOrder) {
    const ConversionTable t = makeTable({
        "128=48",
        "129=49",
        "253=237",
        "250=225+199",
        "251=228+202",
        "210+211=236",
        "[Unicode]",
        "128=U+06F0",
        "129=U+06F1",
        "253=U+06CC",
        "250=U+06B5 U+0623", // as many characters as bytes: shared out by place
        "251=U+FDF2",        // one character for two bytes: all of it at the first
        "210+211=U+06C0",
    });
    const std::map<int, QString> texts = {
        {48, QStringLiteral("\u06F0")},
        {49, QStringLiteral("\u06F1")},
        {237, QStringLiteral("\u06CC")},
        {225, QStringLiteral("\u06B5")},
        {199, QStringLiteral("\u0623")},
        {228, QStringLiteral("\uFDF2")},
        {202, QString()},
        {236, QStringLiteral("\u06C0")},
    };
    const auto readAsUnits = [&](const QByteArray& cp1256) {
        QString s;
        for (const char c : cp1256) {
            const auto it = texts.find(static_cast<std::uint8_t>(c));
            s += it != texts.end() ? it->second : fromCp1256(QByteArray(1, c));
        }
        return s;
    };
    // Short lines of Persian letters, digits, blanks, Latin and punctuation, then a line of
    // some 6000 bytes and a Persian run as long without a line end.
    const QByteArray pieces[] = {
        bytes({0xC8, 253, ' ', 128, 129, '\r', '\n'}),
        bytes({'a', 'b', ' ', 250, 251, 0xC8, 210, 211, '.', ' ', 129, 128, '\n'}),
        bytes({251, 253, 250, '(', 'x', ' ', 128, ')', '\n'}),
        bytes({210, 211, 253, '\r'}),
    };
    QByteArray in;
    for (int i = 0; i < 40; ++i) {
        in += pieces[i % 4];
    }
    for (int i = 0; i < 600; ++i) {
        in += pieces[i % 3].chopped(1);
    }
    in += '\n';
    for (int i = 0; i < 1000; ++i) {
        in += bytes({0xC8, 253, 250, 251, 210, 211});
    }
    for (const auto& convert : {zerva::test::FileConverter(ConvertTextFileRtl),
                                zerva::test::FileConverter(ConvertTextFileLtr)}) {
        const QString expected = readAsUnits(convertBytes(convert, t, in));
        for (const bool portable : {false, true}) {
            for (const qsizetype chunk :
                 {qsizetype{3}, qsizetype{1000}, ConvertOptions::kDefaultChunkSize}) {
                for (const qsizetype spill :
                     {qsizetype{16}, ConvertOptions::kDefaultSpillThreshold}) {
                    ConvertOptions o;
                    o.chunkSize = chunk;
                    o.spillThreshold = spill;
                    o.portableLoops = portable;
                    o.output = TextOutput::Utf8;
                    const QByteArray utf8 = convertBytes(convert, t, in, o);
                    EXPECT_TRUE(QString::fromUtf8(utf8) == expected)
                        << "chunk " << chunk << ", spill threshold " << spill
                        << (portable ? ", plain loops" : "");
                }
            }
        }
    }
    // By hand: the left-to-right walk turns the Persian run around, Persian yeh and digits
    // kept; the right-to-left walk turns the line around, the digits in their order.
    ConvertOptions o;
    o.output = TextOutput::Utf8;
    const QByteArray line = bytes({'a', ' ', 0xC8, 253, ' ', 128, 129, '\n'});
    EXPECT_EQ(QString::fromUtf8(convertBytes(ConvertTextFileLtr, t, line, o)),
              QStringLiteral("a \u06CC\u0628 \u06F0\u06F1\n"));
    EXPECT_EQ(QString::fromUtf8(convertBytes(ConvertTextFileRtl, t, line, o)),
              QStringLiteral(" \u06F0\u06F1\u06CC\u0628a \n"));
    // A byte code page 1256 drops but with a Unicode text of its own (a box-drawing
    // character) goes with the walks as a neutral character: it ends a Persian run.
    const ConversionTable box = makeTable({"176=", "[Unicode]", "176=U+2591"});
    const QByteArray boxed = bytes({0xC8, 0xC7, 176, 0xC8, 0xC7, '\n'});
    for (const auto& convert : {zerva::test::FileConverter(ConvertTextFileRtl),
                                zerva::test::FileConverter(ConvertTextFileLtr)}) {
        EXPECT_EQ(QString::fromUtf8(convertBytes(convert, box, boxed, o)),
                  QStringLiteral("\u0627\u0628\u2591\u0627\u0628\n"));
        EXPECT_EQ(convertBytes(convert, box, boxed), bytes({0xC7, 0xC8, 0xC7, 0xC8, '\n'}));
    }
}

// With the bundled Iran System table the walks write Persian yeh and Persian digits, also on
// a line longer than the spill threshold; read back through code page 1256's stand-ins for
// them, the UTF-8 is the code page 1256 walk's output.
TEST(Utf8Walks, BundledIranSystemTableKeepsPersianYehAndDigits) {
    zerva::test::FakeMessenger messages;
    const auto table = LoadConversionTable(zerva::test::dataDir(), 1, Direction::ToMs, messages);
    ASSERT_TRUE(table.has_value());
    // Iran System: 0x80-0x89 Persian digits, 0xFC-0xFE Persian yeh forms, 0x93 beh, 0xA4
    // reh, 0xF8 waw, 0xF2 lam-alef (two characters).
    QByteArray in;
    for (int i = 0; i < 300; ++i) {
        in += bytes(
            {0x81, 0x83, 0x89, ' ', 0xFE, 0xA4, 0x93, ' ', 0xFC, 0xF8, 0xF2, ' ', 'a', 'b', ' '});
    }
    in += "\r\n";
    const auto standIn = [](const QString& text) {
        QString s = text;
        for (char16_t d = 0; d < 10; ++d) {
            s.replace(QChar(0x06F0 + d), QChar(u'0' + d));
        }
        s.replace(QChar(0x06CC), QChar(0x064A));
        return s;
    };
    for (const auto& convert : {zerva::test::FileConverter(ConvertTextFileRtl),
                                zerva::test::FileConverter(ConvertTextFileLtr)}) {
        const QByteArray cp1256 = convertBytes(convert, *table, in);
        ConvertOptions o;
        o.output = TextOutput::Utf8;
        o.spillThreshold = 1000;
        o.chunkSize = 777;
        const QString utf8 = QString::fromUtf8(convertBytes(convert, *table, in, o));
        EXPECT_EQ(utf8.count(QChar(0x06CC)), 600);
        EXPECT_EQ(utf8.count(QChar(0x06F1)), 300);
        EXPECT_EQ(utf8.count(QChar(0x064A)), 0);
        EXPECT_TRUE(standIn(utf8) == fromCp1256(cp1256));
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
