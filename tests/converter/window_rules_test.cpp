// The converter window's rules: selection status, patterns, drive roots, direction controls
// and path shortening.
#include "converter/window_rules.h"
#include "tests/support/printers.h"

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
    EXPECT_EQ(
        filePatterns(entries[0]),
        (QStringList{QStringLiteral("*.txt"), QStringLiteral("*.rtf"), QStringLiteral("*.doc")}));
    EXPECT_EQ(filePatterns(entries[3]), QStringList{QStringLiteral("*.doc")});
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

TEST(DirectionRules, OneWayTablesForceToAndOfferReordering) {
    const struct {
        const char* name;
        bool twoWay;
        bool changeDir;
        DirectionState expected;
    } cases[] = {
        {"two-way", true, false, {true, false, false, false}},
        {"two-way, ChangeDir set", true, true, {true, false, false, false}},
        {"one-way", false, false, {false, true, true, false}},
        {"one-way, ChangeDir set", false, true, {false, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DirectionState s = directionRules(c.twoWay, c.changeDir);
        EXPECT_EQ(s.changeFromMsEnabled, c.expected.changeFromMsEnabled);
        EXPECT_EQ(s.forceChangeToMs, c.expected.forceChangeToMs);
        EXPECT_EQ(s.changeDirEnabled, c.expected.changeDirEnabled);
        EXPECT_EQ(s.reorderEnabled, c.expected.reorderEnabled);
    }
}

TEST(ShortenPath, DropsOneFolderPerStepUntilItFits) {
    // One unit of width per character.
    const auto width = [](const QString& s) { return static_cast<int>(s.size()); };
    const struct {
        const char* name;
        const char* path;
        const char* root;
        int max;
        const char* text;
        bool clipped;
    } cases[] = {
        {"fits", "C:\\Alpha\\Beta\\Gamma", "C:\\", 19, "C:\\Alpha\\Beta\\Gamma", false},
        {"first step", "C:\\Alpha\\Beta\\Gamma", "C:\\", 17, "C:\\...\\Beta\\Gamma", false},
        {"second step", "C:\\Alpha\\Beta\\Gamma", "C:\\", 16, "C:\\...\\Gamma", false},
        {"last folder alone", "C:\\Alpha\\Beta\\Gamma", "C:\\", 11, "Gamma", false},
        {"one folder", "C:\\Folder", "C:\\", 8, "Folder", false},
        {"too long even alone", "C:\\A\\Folder", "C:\\", 3, "Folder", true},
        {"linux root", "/home/user/docs/x", "/", 12, "/.../docs/x", false},
        {"linux volume", "/media/usb/alpha/beta/gamma", "/media/usb/", 25,
         "/media/usb/.../beta/gamma", false},
        {"another drive", "/x/y", "/media/usb/", 2, "/x/y", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ShortPath s =
            shortenPath(QString::fromUtf8(c.path), QString::fromUtf8(c.root), c.max, width);
        EXPECT_EQ(s.text, QString::fromUtf8(c.text));
        EXPECT_EQ(s.clipped, c.clipped);
    }
}

} // namespace
