// The converter window's rules: selection status, patterns, drive roots, direction controls
// and path shortening.
#include "converter/window_rules.h"
#include "tests/support/printers.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

using namespace zerva::converter;

namespace {

TEST(SelectionStatusText, CountsOrSaysNone) {
    EXPECT_EQ(selectionStatusText(0, 10), QStringLiteral("هيچ پروندهاي انتخاب نشده است."));
    EXPECT_EQ(selectionStatusText(3, 10), QStringLiteral("3") + QStringLiteral(" پرونده از ") +
                                              QStringLiteral("10") +
                                              QStringLiteral(" پرونده انتخاب شده است."));
}

TEST(FilePatterns, TakeTheTextBetweenTheFirstParentheses) {
    const QStringList entries = extentionEntries();
    ASSERT_EQ(entries.size(), 5);
    const QStringList word{QStringLiteral("*.doc"), QStringLiteral("*.docx"),
                           QStringLiteral("*.odt")};
    EXPECT_EQ(filePatterns(entries[0]),
              (QStringList{QStringLiteral("*.txt"), QStringLiteral("*.rtf")} + word));
    EXPECT_EQ(filePatterns(entries[3]), word);
    EXPECT_EQ(filePatterns(entries[4]), QStringList{QStringLiteral("*")});
    EXPECT_EQ(filePatterns(QStringLiteral("odd(*.a)(*.b)")), QStringList{QStringLiteral("*.a")});
}

TEST(DriveRoot, CutsTheLabelAndEndsInASeparator) {
    EXPECT_EQ(driveRoot(QStringLiteral("c: [SYSTEM]")), QStringLiteral("C:\\"));
    EXPECT_EQ(driveRoot(QStringLiteral("d:")), QStringLiteral("D:\\"));
    EXPECT_EQ(driveRoot(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(driveRoot(QStringLiteral("/ [root]")), QStringLiteral("/"));
    EXPECT_EQ(driveRoot(QStringLiteral("/media/My Stick [My Stick]")),
              QStringLiteral("/media/My Stick/"));
}

struct DirectionCase {
    const char* name;
    bool twoWay;
    bool changeDir;
    DirectionState expected;
};

class DirectionRules : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(DirectionRules, OneWayTablesForceToAndOfferReordering) {
    const DirectionCase& c = GetParam();
    const DirectionState s = directionRules(c.twoWay, c.changeDir);
    EXPECT_EQ(s.changeFromMsEnabled, c.expected.changeFromMsEnabled);
    EXPECT_EQ(s.forceChangeToMs, c.expected.forceChangeToMs);
    EXPECT_EQ(s.changeDirEnabled, c.expected.changeDirEnabled);
    EXPECT_EQ(s.reorderEnabled, c.expected.reorderEnabled);
}

const DirectionCase kDirectionCases[] = {
    {"TwoWay", true, false, {true, false, false, false}},
    {"TwoWayChangeDirSet", true, true, {true, false, false, false}},
    {"OneWay", false, false, {false, true, true, false}},
    {"OneWayChangeDirSet", false, true, {false, true, true, true}},
};
INSTANTIATE_TEST_SUITE_P(Cases, DirectionRules, ::testing::ValuesIn(kDirectionCases),
                         zerva::test::RowName());

struct ShortenCase {
    const char* name;
    const char* path;
    const char* root;
    int max;
    const char* text;
    bool clipped;
};

class ShortenPath : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenPath, DropsOneFolderPerStepUntilItFits) {
    const ShortenCase& c = GetParam();
    // One unit of width per character.
    const auto width = [](const QString& s) { return static_cast<int>(s.size()); };
    const ShortPath s =
        shortenPath(QString::fromUtf8(c.path), QString::fromUtf8(c.root), c.max, width);
    EXPECT_EQ(s.text, QString::fromUtf8(c.text));
    EXPECT_EQ(s.clipped, c.clipped);
}

const ShortenCase kShortenCases[] = {
    {"Fits", "C:\\Alpha\\Beta\\Gamma", "C:\\", 19, "C:\\Alpha\\Beta\\Gamma", false},
    {"FirstStep", "C:\\Alpha\\Beta\\Gamma", "C:\\", 17, "C:\\...\\Beta\\Gamma", false},
    {"SecondStep", "C:\\Alpha\\Beta\\Gamma", "C:\\", 16, "C:\\...\\Gamma", false},
    {"LastFolderAlone", "C:\\Alpha\\Beta\\Gamma", "C:\\", 11, "Gamma", false},
    {"OneFolder", "C:\\Folder", "C:\\", 8, "Folder", false},
    {"TooLongEvenAlone", "C:\\A\\Folder", "C:\\", 3, "Folder", true},
    {"LinuxRoot", "/home/user/docs/x", "/", 12, "/.../docs/x", false},
    {"LinuxVolume", "/media/usb/alpha/beta/gamma", "/media/usb/", 25, "/media/usb/.../beta/gamma",
     false},
    {"AnotherDrive", "/x/y", "/media/usb/", 2, "/x/y", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, ShortenPath, ::testing::ValuesIn(kShortenCases),
                         zerva::test::RowName());

} // namespace
