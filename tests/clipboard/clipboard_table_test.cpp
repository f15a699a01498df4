// The clipboard converter's table loader: entry forms, reversal, conflicts and failures.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"

#include "tests/support/fake_messenger.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"
#include "tests/support/unicode_section_cases.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::clipboard;

namespace {

QByteArray hex(const char* digits) {
    return QByteArray::fromHex(digits);
}

struct LoadCase {
    const char* name;
    const char* file;
    Direction direction;
    const char* inputHex;
    const char* outputHex;
};

class LoadedTableConverts : public ::testing::TestWithParam<LoadCase> {};

const char kReverseSections[] = "[Convert Table]\r\n200=201\r\n"
                                "[Reverse Best Fits]\r\n129=200\r\n201=5\r\n200=7\r\n"
                                "[No Counterpart]\r\n128=63\r\n129=63\r\n"
                                "[Other]\r\n66=67\r\n";

} // namespace

TEST_P(LoadedTableConverts, Bytes) {
    const LoadCase& c = GetParam();
    TableProblem problem;
    const auto table = parseClipboardTable(c.file, c.direction, &problem);
    ASSERT_TRUE(table) << problem.reason.toStdString() << " at line " << problem.line;
    EXPECT_EQ(convertTextBytes(*table, hex(c.inputHex)), hex(c.outputHex));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadedTableConverts,
    ::testing::Values(
        LoadCase{"EmptyFileIsIdentity", "", Direction::ToMs, "00417fc8ff", "00417fc8ff"},
        LoadCase{"SectionsAreNotLookedAt", "[Other]\r\n65=66\r\n[Convert Table]\r\n67=68\r\n",
                 Direction::ToMs, "414243", "424244"},
        LoadCase{"LoneLineFeedEndsALine", "65=66\n67=68\n200=\n", Direction::ToMs, "4143c8",
                 "4244"},
        LoadCase{"LoneCarriageReturnEndsALine", "65=66\r67=68", Direction::ToMs, "4143", "4244"},
        LoadCase{"PairWinsOnlyInItsOrder", "65+66=200\r\n", Direction::ToMs, "41424241", "c84241"},
        LoadCase{"PairAtTheEndNeedsItsSecondByte", "65+66=200\r\n", Direction::ToMs, "4241",
                 "4241"},
        LoadCase{"EmptyValueDrops", "200=\r\n", Direction::ToMs, "41c8c842", "4142"},
        LoadCase{"OneByteToTwo", "200=10+13\r\n", Direction::ToMs, "c841", "0a0d41"},
        LoadCase{"ReversedTwoToOneIsAPair", "200=10+13\r\n", Direction::FromMs, "0a0d0d0a",
                 "c80d0a"},
        LoadCase{"ReversedPairGivesTwoBytes", "65+66=200\r\n", Direction::FromMs, "c8", "4142"},
        LoadCase{"ReversedDropIsIgnored", "65=\r\n", Direction::FromMs, "41", "41"},
        LoadCase{"CommentKeyAndTrailingComment", ";200=5\r\n200 = 6 ; remark\r\n", Direction::ToMs,
                 "c8", "06"},
        LoadCase{"LinesWithoutEqualsIgnored", "hello\r\n\r\n65=66\r\n", Direction::ToMs, "41",
                 "42"},
        LoadCase{"SameLineTwiceLoads", "65=66\r\n65=66\r\n65+67=1\r\n65+67=1\r\n", Direction::ToMs,
                 "414143", "4201"},
        LoadCase{"FromMSLaterLineWins", "65=66\r\n67=66\r\n", Direction::FromMs, "42", "43"},
        LoadCase{"FromMSManyToOneBothLoad", "66=65\r\n67=65\r\n", Direction::FromMs, "41", "43"},
        // The sections read only from code page 1256 (written from its side): skipped
        // towards it, even where their keys meet other lines'; from it, they serve the bytes
        // no other line gives back.
        LoadCase{"ReverseSectionsSkippedToMS", kReverseSections, Direction::ToMs, "c8c9818042",
                 "c9c9818043"},
        LoadCase{"ReverseSectionsFromMS", kReverseSections, Direction::FromMs, "c9c8818042",
                 "c807c83f42"},
        LoadCase{"BadReverseLineIgnoredToMS", "[No Counterpart]\r\n128+129=63\r\n", Direction::ToMs,
                 "80", "80"}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct Bad {
    const char* name;
    const char* file;
    Direction direction;
};

class ClipboardTableRejects : public ::testing::TestWithParam<Bad> {};

TEST_P(ClipboardTableRejects, BadNumbersAndConflicts) {
    const Bad& c = GetParam();
    TableProblem problem;
    EXPECT_FALSE(parseClipboardTable(c.file, c.direction, &problem));
    EXPECT_GT(problem.line, 0);
}

const Bad kBads[] = {
    {"ByteTooLarge", "300=5\r\n", Direction::ToMs},
    {"LetterKey", "x=5\r\n", Direction::ToMs},
    {"EmptyKey", "=5\r\n", Direction::ToMs},
    {"EmptyAfterPlusInKey", "200+=5\r\n", Direction::ToMs},
    {"EmptyAfterPlusInValue", "200=5+\r\n", Direction::ToMs},
    {"TwoByteKeyWithoutTarget", "200+201=\r\n", Direction::ToMs},
    {"TwoByteKeyWithoutTargetReversed", "200+201=\r\n", Direction::FromMs},
    {"NegativeNumber", "-1=5\r\n", Direction::ToMs},
    {"SingleConflictToMS", "65=66\r\n65=67\r\n", Direction::ToMs},
    {"SingleConflictInCount", "65=66\r\n65=66+67\r\n", Direction::ToMs},
    {"DropThenMap", "65=\r\n65=66\r\n", Direction::ToMs},
    {"PairConflictToMS", "65+66=1\r\n65+66=2\r\n", Direction::ToMs},
    {"PairConflictFromMS", "1=65+66\r\n2=65+66\r\n", Direction::FromMs},
    {"TwoByteReverseLineFromMS", "[No Counterpart]\r\n128+129=63\r\n", Direction::FromMs},
};
INSTANTIATE_TEST_SUITE_P(Cases, ClipboardTableRejects, ::testing::ValuesIn(kBads),
                         zerva::test::RowName());

} // namespace

namespace {

// The Unicode text of a byte (second < 0) or of a pair of the table.
UnicodeText textOf(const ClipboardTable& table, int byte, int second) {
    const ByteCells& cells = table[static_cast<std::uint8_t>(byte)];
    if (second < 0) {
        return cells.unicode;
    }
    const qsizetype record =
        FindPairRecord(cells.pairs, ByteToHex(static_cast<std::uint8_t>(second)));
    EXPECT_GE(record, 0);
    return record >= 0 && record < cells.pairTexts.size() ? cells.pairTexts[record] : UnicodeText();
}

class ClipboardUnicodeGood : public ::testing::TestWithParam<zerva::test::UnicodeGoodCase> {};

TEST_P(ClipboardUnicodeGood, GivesItsTextTowardsCodePage1256Only) {
    const auto& c = GetParam();
    const QByteArray text = QByteArray(zerva::test::kUnicodeTableHead) + c.lines;
    TableProblem problem;
    const auto to = parseClipboardTable(text, Direction::ToMs, &problem);
    ASSERT_TRUE(to) << problem.reason.toStdString();
    EXPECT_EQ(textOf(*to, c.byte, c.second), c.text);
    const auto from = parseClipboardTable(text, Direction::FromMs);
    ASSERT_TRUE(from);
    EXPECT_FALSE(from->hasUnicode());
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipboardUnicodeGood,
                         ::testing::ValuesIn(zerva::test::kUnicodeGoodCases),
                         zerva::test::RowName());

class ClipboardUnicodeBad : public ::testing::TestWithParam<zerva::test::UnicodeBadCase> {};

TEST_P(ClipboardUnicodeBad, MakesTheFileUnusableTowardsCodePage1256Only) {
    const QByteArray text =
        QByteArray(zerva::test::kUnicodeTableHead) + "7=U+0042\r\n" + GetParam().line + "\r\n";
    TableProblem problem;
    EXPECT_FALSE(parseClipboardTable(text, Direction::ToMs, &problem));
    EXPECT_EQ(problem.line, 5);
    EXPECT_TRUE(parseClipboardTable(text, Direction::FromMs));
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipboardUnicodeBad,
                         ::testing::ValuesIn(zerva::test::kUnicodeBadCases),
                         zerva::test::RowName());

} // namespace

TEST(ClipboardTableLoad, UnicodeTextsRepeatsAndAbsence) {
    const auto plain = parseClipboardTable("65=66\r\n200+201=50\r\n", Direction::ToMs);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->hasUnicode());
    for (int b = 0; b < 256; ++b) {
        EXPECT_FALSE(textOf(*plain, b, -1).given()) << b;
    }

    // The section may come before the pair it names; the same line twice is no conflict.
    const QByteArray text = "[Unicode]\r\n200+201=U+0644 U+0627\r\n65=U+06F1\r\n65=U+06F1\r\n"
                            "[Convert Table]\r\n200+201=50\r\n200+202=51\r\n";
    const auto t = parseClipboardTable(text, Direction::ToMs);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->hasUnicode());
    EXPECT_EQ(textOf(*t, 200, 201), zerva::test::unicodeText(2, 0x0644, 0x0627));
    EXPECT_FALSE(textOf(*t, 200, 202).given());
    EXPECT_EQ(textOf(*t, 65, -1), zerva::test::unicodeText(1, 0x06F1));

    // Conflicting repeats are errors, as in the other sections.
    for (const char* conflict :
         {"[Unicode]\r\n65=U+06F1\r\n65=U+06F2\r\n", "[Unicode]\r\n65=U+06F1\r\n65=\r\n",
          "200+201=50\r\n[Unicode]\r\n200+201=U+0041\r\n200+201=U+0042\r\n"}) {
        TableProblem problem;
        EXPECT_FALSE(parseClipboardTable(conflict, Direction::ToMs, &problem)) << conflict;
        EXPECT_GT(problem.line, 0) << conflict;
    }
}

TEST(ClipboardTableLoad, HasNoLimitOnPairsAndSearchesNewestFirst) {
    QByteArray file;
    for (int first = 1; first <= 2; ++first) {
        for (int second = 0; second < 200; ++second) {
            file += QByteArray::number(first) + '+' + QByteArray::number(second) + '=' +
                    QByteArray::number(second) + "\r\n";
        }
    }
    const auto table = parseClipboardTable(file, Direction::ToMs);
    ASSERT_TRUE(table);
    EXPECT_EQ(convertTextBytes(*table, hex("01c7027f")), hex("c77f"));
    EXPECT_EQ(FindPairTarget("41014102", "41"), QByteArrayView("02"));
}

TEST(ClipboardTableLoad, FindsTableFileInAnyCaseAndReportsFailures) {
    QTemporaryDir dir;
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("Table3.ini")), "65=66\r\n"));
    zerva::test::FakeMessenger messenger;
    const auto table = LoadClipboardTable(dir.path(), 3, Direction::ToMs, messenger);
    ASSERT_TRUE(table);
    EXPECT_EQ(convertTextBytes(*table, "A"), QByteArray("B"));
    EXPECT_TRUE(messenger.boxes().empty());

    // Missing file, then a file with a conflict: the same message naming the number.
    EXPECT_FALSE(LoadClipboardTable(dir.path(), 4, Direction::ToMs, messenger));
    ASSERT_TRUE(
        zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE12.INI")), "65=66\r\n65=67\r\n"));
    EXPECT_FALSE(LoadClipboardTable(dir.path(), 12, Direction::ToMs, messenger));
    ASSERT_EQ(messenger.boxes().size(), 2u);
    EXPECT_EQ(messenger.boxes()[0].prompt, tableFailureMessage(4));
    EXPECT_EQ(messenger.boxes()[1].prompt,
              QStringLiteral("اشكال در پروندهي Table") + QStringLiteral("12") +
                  QStringLiteral(".ini، امكان تبديل پرونده وجود ندارد."));
    EXPECT_EQ(messenger.boxes()[1].title, QStringLiteral("اشكال!"));
    EXPECT_EQ(messenger.boxes()[1].button, zerva::common::kOkOnly);
}
