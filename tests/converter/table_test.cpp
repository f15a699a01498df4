// The table list, the table file loader and its failures.
#include "converter/conversion_table.h"
#include "converter/converter_messages.h"
#include "tests/converter/test_tables.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"
#include "tests/support/unicode_section_cases.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using namespace zerva::converter;
using zerva::test::FakeMessenger;
using zerva::test::makeTable;
using zerva::test::tableText;
using zerva::test::writeFile;

namespace {

class TableFilesTest : public ::testing::Test {
protected:
    void list(const QByteArray& body, const char* fileName = "ZERVACNV.INI") {
        ASSERT_TRUE(writeFile(m_dir.filePath(QString::fromLatin1(fileName)), body));
    }
    QTemporaryDir m_dir;
    FakeMessenger m_messenger;
};

TEST_F(TableFilesTest, LoadTableList_NamesAndDirections) {
    list("[code pages]\ntables=5\ntable1=ISIRI 3342 ;1\ntable2=IBM 864; 1\n"
         "table3=1\ntable5=Mac Farsi;0;1\n",
         "ZervaCnv.ini");
    const auto tables = LoadTableList(m_dir.path(), m_messenger);
    ASSERT_TRUE(tables.has_value());
    ASSERT_EQ(tables->size(), 5);
    const struct {
        const char* name;
        bool twoWay;
    } expected[] = {
        {"ISIRI 3342", true}, {"IBM 864", false}, {"1", true}, {"", false}, {"Mac Farsi", false}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tables->at(i).name, QString::fromLatin1(expected[i].name)) << i;
        EXPECT_EQ(tables->at(i).twoWay, expected[i].twoWay) << i;
    }
    EXPECT_TRUE(m_messenger.all().isEmpty());
}

struct ListFailureCase {
    const char* name;
    const char* body; // nullptr: no list file at all
    QString message;
};

class LoadTableListFailures : public ::testing::TestWithParam<ListFailureCase> {};

TEST_P(LoadTableListFailures, ToldWithTheirMessage) {
    const ListFailureCase& c = GetParam();
    QTemporaryDir dir;
    if (c.body) {
        ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("ZERVACNV.INI")), c.body));
    }
    FakeMessenger messenger;
    EXPECT_FALSE(LoadTableList(dir.path(), messenger).has_value());
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt, c.message);
    EXPECT_EQ(messenger.boxes()[0].title, zerva::common::errorTitle());
    EXPECT_EQ(messenger.boxes()[0].button, zerva::common::kOkOnly);
}

const ListFailureCase kListFailureCases[] = {
    {"NoFile", nullptr, noTablesMessage()},
    {"NoCount", "[Code pages]\ntable1=x\n", noTablesMessage()},
    {"CountZero", "[Code pages]\ntables=0\n", noTablesMessage()},
    {"CountNotANumber", "[Code pages]\ntables=many\n", noTablesMessage()},
    {"OtherSection", "[Tables]\ntables=2\n", noTablesMessage()},
    {"NegativeCount", "[Code pages]\ntables=-1\n", tableListErrorMessage()},
    {"CountTooLarge", "[Code pages]\ntables=40000\n", tableListErrorMessage()},
};
INSTANTIATE_TEST_SUITE_P(Cases, LoadTableListFailures, ::testing::ValuesIn(kListFailureCases),
                         zerva::test::RowName());

struct Expect {
    int byte;
    int kind;
    int out1;
    int out2;
};

TEST(ConversionTable, EntriesAndReversal) {
    const auto lines = {"65=",        "66=67",         "200=10+13",        "200+201=50",
                        "200+201=51", "202+203=60+61", "204 = 7 ; remark", ";205=5",
                        "206=8;",     "x;y=1"};
    const ConversionTable to = makeTable(lines, Direction::ToMs);
    for (const Expect& e :
         {Expect{65, 0, 0, 0}, Expect{66, 1, 67, 0}, Expect{200, 2, 10, 13}, Expect{204, 1, 7, 0},
          Expect{205, 1, 205, 0}, Expect{206, 1, 8, 0}, Expect{67, 1, 67, 0}}) {
        const ByteEntry& b = to.byte(static_cast<std::uint8_t>(e.byte));
        EXPECT_EQ(b.kind, e.kind) << e.byte;
        EXPECT_EQ(b.out1, e.out1) << e.byte;
        EXPECT_EQ(b.out2, e.out2) << e.byte;
    }
    EXPECT_EQ(to.findPair(200, 201), 51); // the later line wins
    EXPECT_EQ(to.findPair(202, 203), 60); // a pair yields one byte
    EXPECT_EQ(to.findPair(200, 202), -1);
    EXPECT_EQ(to.pairCount(), 3);

    const ConversionTable from = makeTable(lines, Direction::FromMs);
    EXPECT_EQ(from.byte(65).kind, 1); // a dropped byte has nothing to reverse
    EXPECT_EQ(from.byte(67).out1, 66);
    EXPECT_EQ(from.findPair(10, 13), 200);
    EXPECT_EQ(from.byte(10).kind, 1);
    EXPECT_EQ(from.byte(10).out1, 10);
    EXPECT_EQ(from.byte(51).kind, 2); // a+b=c reverses to c giving a, b
    EXPECT_EQ(from.byte(51).out1, 200);
    EXPECT_EQ(from.byte(51).out2, 201);
    EXPECT_EQ(from.findPair(60, 61), 202);
}

TEST(ConversionTable, PrecomputedHexForms) {
    const ConversionTable t = makeTable({"171=10+239", "200+161=254"});
    const ByteEntry& e = t.byte(171);
    EXPECT_EQ(QByteArray(e.out1Hex.data(), 2), "0a");
    EXPECT_EQ(QByteArray(e.out2Hex.data(), 2), "ef");
    const PairEntry* p = t.findPairEntry(200, 161);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(QByteArray(p->secondHex.data(), 2), "a1");
    EXPECT_EQ(QByteArray(p->targetHex.data(), 2), "fe");
    EXPECT_EQ(QByteArray(ConversionTable().byte(0xAB).out1Hex.data(), 2), "ab");
}

struct SectionCase {
    const char* name;
    QByteArray text;
    int out1Of66;
};

class TableSections : public ::testing::TestWithParam<SectionCase> {};

TEST_P(TableSections, AndLineEnds) {
    const SectionCase& c = GetParam();
    const auto t = parseConversionTable(c.text, Direction::ToMs);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->byte(66).out1, c.out1Of66);
}

const SectionCase kSectionCases[] = {
    {"LoneLineFeeds", "[Convert Table]\n66=1\n", 1},
    {"LoneCarriageReturns", "[Convert Table]\r66=2\r", 2},
    {"NoSection", "66=3\r\n", 66},
    {"OtherCase", "[convert table]\r\n66=4\r\n", 66},
    {"BlankAfterHeader", "[Convert Table] \r\n66=5\r\n", 66},
    {"OtherSectionAfter", "[Convert Table]\r\n66=6\r\n[Notes]\r\n66=7\r\n", 6},
    {"SecondOccurrence", "[Convert Table]\n66=8\n[x]\n66=9\n[Convert Table]\n66=10\n", 10},
    {"EmptySection", "[Convert Table]\r\n", 66},
};
INSTANTIATE_TEST_SUITE_P(Cases, TableSections, ::testing::ValuesIn(kSectionCases),
                         zerva::test::RowName());

TEST(ConversionTable, SectionsReadOnlyFromCodePage1256) {
    // 200 -> 201 both ways; from code page 1256, 128 has no counterpart and 129 and 130 have
    // best fits, but 201 is given back by the entries and keeps that.
    const QByteArray text = "[No Counterpart]\r\n128=63\r\n129=63\r\n201=63\r\n"
                            "[Reverse Best Fits]\r\n129=200\r\n130=\r\n131=1\r\n201=5\r\n"
                            "[Convert Table]\r\n200=201\r\n"
                            "[Reverse Best Fits]\r\n131=2+3\r\n";
    const auto to = parseConversionTable(text, Direction::ToMs);
    ASSERT_TRUE(to.has_value());
    for (int x : {128, 129, 130, 131, 201}) {
        EXPECT_EQ(to->byte(static_cast<std::uint8_t>(x)).out1, x);
        EXPECT_FALSE(to->byte(static_cast<std::uint8_t>(x)).noCounterpart);
    }
    const auto from = parseConversionTable(text, Direction::FromMs);
    ASSERT_TRUE(from.has_value());
    const struct {
        int byte, kind, out1, out2;
        bool counted;
    } expected[] = {
        {128, 1, 63, 0, true},   {129, 1, 200, 0, false}, // a best fit wins, in any order
        {130, 0, 0, 0, false},   {131, 2, 2, 3, false},   // the later line wins
        {201, 1, 200, 0, false}, {200, 1, 200, 0, false}, // the entries win
    };
    for (const auto& e : expected) {
        const ByteEntry& b = from->byte(static_cast<std::uint8_t>(e.byte));
        EXPECT_EQ(std::tie(b.kind, b.out1, b.out2, b.noCounterpart),
                  std::tie(e.kind, e.out1, e.out2, e.counted))
            << e.byte;
    }
    // Their lines are one code page 1256 byte each; a bad one spoils only that direction.
    for (const char* bad :
         {"[No Counterpart]\r\n128+129=63\r\n", "[Reverse Best Fits]\r\nx=1\r\n"}) {
        EXPECT_TRUE(parseConversionTable(bad, Direction::ToMs).has_value()) << bad;
        EXPECT_FALSE(parseConversionTable(bad, Direction::FromMs).has_value()) << bad;
    }
}

TEST(ConversionTable, InvalidFiles) {
    for (const char* line : {"300=5", "x=5", "200+=5", "+200=5", "200+201=", "=5", "5=6+", "5=256",
                             "5=1.5", "5=0x10", "5=6+7+8", "-1=5"}) {
        for (Direction d : {Direction::ToMs, Direction::FromMs}) {
            EXPECT_FALSE(parseConversionTable(tableText({line}), d).has_value()) << line;
        }
    }
}

TEST(ConversionTable, AtMost255Pairs) {
    QByteArray text = "[Convert Table]\r\n";
    for (int i = 0; i < 255; ++i) {
        text += QByteArray::number(i) + "+1=2\r\n";
    }
    ASSERT_TRUE(parseConversionTable(text, Direction::ToMs).has_value());
    // Reversed, those lines are single bytes (2 to i, 1): no pairs at all.
    ASSERT_TRUE(parseConversionTable(text + "7=9+9\r\n", Direction::FromMs).has_value());
    EXPECT_FALSE(parseConversionTable(text + "255+2=3\r\n", Direction::ToMs).has_value());
}

class UnicodeSectionGood : public ::testing::TestWithParam<zerva::test::UnicodeGoodCase> {};

TEST_P(UnicodeSectionGood, GivesItsTextTowardsCodePage1256Only) {
    const auto& c = GetParam();
    const QByteArray text = QByteArray(zerva::test::kUnicodeTableHead) + c.lines;
    const auto to = parseConversionTable(text, Direction::ToMs);
    ASSERT_TRUE(to.has_value());
    const auto x = static_cast<std::uint8_t>(c.byte);
    if (c.second < 0) {
        EXPECT_EQ(to->byte(x).unicode, c.text);
    } else {
        const PairEntry* pair = to->findPairEntry(x, static_cast<std::uint8_t>(c.second));
        ASSERT_NE(pair, nullptr);
        EXPECT_EQ(pair->unicode, c.text);
    }
    const auto from = parseConversionTable(text, Direction::FromMs);
    ASSERT_TRUE(from.has_value());
    EXPECT_FALSE(from->hasUnicode());
    EXPECT_FALSE(from->byte(x).unicode.given());
}

INSTANTIATE_TEST_SUITE_P(Cases, UnicodeSectionGood,
                         ::testing::ValuesIn(zerva::test::kUnicodeGoodCases),
                         zerva::test::RowName());

class UnicodeSectionBad : public ::testing::TestWithParam<zerva::test::UnicodeBadCase> {};

TEST_P(UnicodeSectionBad, MakesTheFileInvalidTowardsCodePage1256Only) {
    const QByteArray text =
        QByteArray(zerva::test::kUnicodeTableHead) + "7=U+0042\r\n" + GetParam().line + "\r\n";
    EXPECT_FALSE(parseConversionTable(text, Direction::ToMs).has_value());
    EXPECT_TRUE(parseConversionTable(text, Direction::FromMs).has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, UnicodeSectionBad,
                         ::testing::ValuesIn(zerva::test::kUnicodeBadCases),
                         zerva::test::RowName());

TEST(ConversionTable, UnicodeTextsAndTheirAbsence) {
    // Without the section nothing is given, whatever the entries.
    const ConversionTable plain = makeTable({"65=", "200=10+13", "200+201=50"});
    EXPECT_FALSE(plain.hasUnicode());
    for (int x = 0; x < 256; ++x) {
        EXPECT_FALSE(plain.byte(static_cast<std::uint8_t>(x)).unicode.given()) << x;
    }
    EXPECT_FALSE(plain.findPairEntry(200, 201)->unicode.given());

    // The section may come first; a pair's text goes to the entry that is matched (the newest
    // of its repeats), and a later line for a byte wins as in the other sections.
    const QByteArray text = "[Unicode]\r\n200+201=U+0644 U+0627\r\n65=U+06F1\r\n65=U+06F2\r\n"
                            "[Convert Table]\r\n200+201=50\r\n200+201=51\r\n65=49\r\n";
    const auto t = parseConversionTable(text, Direction::ToMs);
    ASSERT_TRUE(t.has_value());
    EXPECT_TRUE(t->hasUnicode());
    const PairEntry* newest = t->findPairEntry(200, 201);
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->target, 51);
    EXPECT_EQ(newest->unicode, zerva::test::unicodeText(2, 0x0644, 0x0627));
    EXPECT_FALSE(t->pair(newest->next).unicode.given());
    EXPECT_EQ(t->byte(65).unicode, zerva::test::unicodeText(1, 0x06F2));
    EXPECT_EQ(t->byte(65).out1, 49); // the code page 1256 result stays as it was
    EXPECT_FALSE(t->byte(200).unicode.given());

    // An empty text alone still counts as given.
    EXPECT_TRUE(parseConversionTable("[Unicode]\r\n137=\r\n", Direction::ToMs)->hasUnicode());
}

TEST_F(TableFilesTest, LoadConversionTable_FailureNamesTheTable) {
    ASSERT_TRUE(writeFile(m_dir.filePath(QStringLiteral("TABLE3.INI")), tableText({"5=300"})));
    ASSERT_TRUE(writeFile(m_dir.filePath(QStringLiteral("table4.ini")), tableText({"5=6"})));
    ASSERT_TRUE(writeFile(m_dir.filePath(QStringLiteral("TABLE5.INI")),
                          tableText({"5=6", "[Unicode]", "5=U+D800"})));
    EXPECT_FALSE(LoadConversionTable(m_dir.path(), 3, Direction::ToMs, m_messenger));
    EXPECT_FALSE(LoadConversionTable(m_dir.path(), 12, Direction::FromMs, m_messenger));
    const auto found = LoadConversionTable(m_dir.path(), 4, Direction::ToMs, m_messenger);
    ASSERT_TRUE(found.has_value()); // the file name matches without regard to case
    EXPECT_EQ(found->byte(5).out1, 6);
    EXPECT_FALSE(LoadConversionTable(m_dir.path(), 5, Direction::ToMs, m_messenger));
    ASSERT_EQ(m_messenger.boxes().size(), 3u);
    EXPECT_EQ(m_messenger.boxes()[0].prompt, tableFileErrorMessage(3));
    EXPECT_EQ(m_messenger.boxes()[1].prompt, tableFileErrorMessage(12));
    EXPECT_EQ(m_messenger.boxes()[2].prompt, tableFileErrorMessage(5));
    EXPECT_EQ(m_messenger.boxes()[1].title, zerva::common::errorTitle());
    EXPECT_TRUE(tableFileErrorMessage(12).contains(QStringLiteral("Table12.ini")));
}

} // namespace
