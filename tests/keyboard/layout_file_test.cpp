// Reading layout files into the model, refusing damaged ones, and writing them back.
#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::keyboard;
using namespace zerva::keyboard::test;
using zerva::common::fromCp1256;
using zerva::test::FakeMessenger;
using zerva::test::readFile;
using zerva::test::writeFile;

namespace {

const QString kBroken = QStringLiteral("خطا در فايل صفحه كليد(اين فايل غير قابل تصحيح است).");
const QString kQuestion =
    QStringLiteral("خطا در فايل صفحه كليد. آيا ميخواهيد خواندن اين فايل ادامه يابد.");

// Everything a read may change, to show that a refused read changed nothing.
struct Snapshot {
    std::array<qint16, kKeyMapSize> keyMap;
    std::vector<QString> captions;
    QByteArray extraChars;
    bool layoutChanged;
    bool shift;

    explicit Snapshot(const LayoutModel& m)
        : keyMap(m.keyMapArray()), extraChars(m.ExtraChars()), layoutChanged(m.LayoutChanged()),
          shift(m.shiftPlaneShown()) {
        for (int i = 0; i < m.paletteSize(); ++i) {
            captions.push_back(m.entry(i).caption);
        }
    }
    bool operator==(const Snapshot&) const = default;
};

// A model holding the standard layout, as after start-up (LayoutChanged cleared).
void loadStandard(LayoutModel& m) {
    FakeMessenger quiet;
    ASSERT_EQ(readLayoutBytes(m, standardLayoutImage(), quiet), ReadOutcome::Read);
    m.setLayoutChanged(false);
}

} // namespace

TEST(ReadLayoutFile, StandardImageGivesTheProductLayoutWithoutAQuestion) {
    LayoutModel m;
    FakeMessenger msg;
    ASSERT_EQ(readLayoutBytes(m, LoadResourceText(u"STANDARD", u"KBD"), msg), ReadOutcome::Read);
    EXPECT_TRUE(msg.prompts().isEmpty());

    for (int k = 0; k < kKeyCount; ++k) {
        EXPECT_EQ(m.entry(m.KeyMap(k)).code, kStandardBase[k]) << k;
        EXPECT_LT(m.KeyMap(k), kFixedEntryCount) << k;
        EXPECT_EQ(m.entry(m.KeyMap(48 + k)).code, kStandardShift[k]) << k;
    }
    EXPECT_EQ(m.KeyMap(50), 104);
    EXPECT_EQ(m.entry(104).caption, fromCp1256(QByteArray("\xC7\xF0")));
    EXPECT_EQ(m.entry(104).code, 199);
    EXPECT_EQ(m.paletteSize(), 105);
    EXPECT_EQ(m.KeyMap(78), kLamAlefEntry);
    EXPECT_TRUE(m.isEntryUsed(kLamAlefEntry));
    EXPECT_EQ(m.KeyMap(30), 30); // lam on the base plane, never lam-alef
    EXPECT_EQ(m.ExtraChars(), QByteArray("\x02\xC7\xF0"));
    EXPECT_TRUE(m.LayoutChanged());
}

TEST(ReadLayoutFile, ReplacesThePreviousLayoutAndKeepsGrowingExtraChars) {
    LayoutModel m;
    loadStandard(m);
    m.setShiftPlaneShown(true);
    const int extra = m.AddPaletteEntry(QByteArray("xyz"));
    m.SetKey(0, extra);
    m.SetKey(1, 70);

    FakeMessenger msg;
    ASSERT_EQ(readLayoutBytes(m, standardLayoutImage(), msg), ReadOutcome::Read);
    LayoutModel fresh;
    loadStandard(fresh);
    EXPECT_EQ(m.keyMapArray(), fresh.keyMapArray());
    EXPECT_EQ(m.paletteSize(), fresh.paletteSize());
    for (int i = 0; i < kEmptyEntry; ++i) {
        EXPECT_EQ(m.isEntryUsed(i), fresh.isEntryUsed(i)) << i;
    }
    EXPECT_EQ(m.ExtraChars(), QByteArray("\x02\xC7\xF0\x02\xC7\xF0"));
    EXPECT_TRUE(m.shiftPlaneShown()); // reading leaves the plane as it was
}

TEST(ReadLayoutFile, RefusalsAndDeclinedQuestionLeaveTheModelUnchanged) {
    QByteArray truncatedEntry = fileWithTable(tableEntry("\xC7\xF0", '2', 2).left(6));
    QByteArray longerThanTable = fileWithTable(tableEntry("\xC7\xF0\xF0", '2', 2));
    longerThanTable[kTableOffset + 4] = 5; // claims five further characters
    fixDataSize(longerThanTable);
    QByteArray offByOne = fileWithTable(tableEntry("\xC7\xF0", '2', 2) + QByteArray(1, '\0'));
    QByteArray noLegend = fileWithTable(tableEntry("\xC7\xF0", 'q', 2));
    QByteArray tooLongText = fileWithTable(tableEntry(QByteArray(256, 'a'), '2', 2));
    QByteArray oddHeader = standardLayoutImage();
    oddHeader[100] = 0x55;
    QByteArray wrongSize = standardLayoutImage();
    wrongSize[kDataSizeOffset] = static_cast<char>(0xF3);
    QByteArray oddHeaderBrokenTable = truncatedEntry;
    oddHeaderBrokenTable[100] = 0x55;

    struct Case {
        const char* name;
        QByteArray bytes;
        int answer;
        ReadOutcome outcome;
        QStringList prompts;
    };
    const Case cases[] = {
        {"shorterThan500", standardLayoutImage().left(499), 0, ReadOutcome::Refused, {kBroken}},
        {"longerThan32767", QByteArray(32768, '\0'), 0, ReadOutcome::Refused, {kBroken}},
        {"tableEndsInsideAnEntry", truncatedEntry, 0, ReadOutcome::Refused, {kBroken}},
        {"entryRunsPastTheTable", longerThanTable, 0, ReadOutcome::Refused, {kBroken}},
        {"tableOneByteTooLong", offByOne, 0, ReadOutcome::Refused, {kBroken}},
        {"legendNotInLegendRow", noLegend, 0, ReadOutcome::Refused, {kBroken}},
        {"combinedKeyOver255", tooLongText, 0, ReadOutcome::Refused, {kBroken}},
        {"headerDiffersAnswerNo", oddHeader, 1, ReadOutcome::Declined, {kQuestion}},
        {"dataSizeWrongAnswerNo", wrongSize, 1, ReadOutcome::Declined, {kQuestion}},
        {"headerDiffersYesThenBrokenTable",
         oddHeaderBrokenTable,
         0,
         ReadOutcome::Refused,
         {kQuestion, kBroken}},
    };
    for (const Case& c : cases) {
        LayoutModel m;
        loadStandard(m);
        m.setShiftPlaneShown(true);
        m.SetKey(3, m.AddPaletteEntry(QByteArray("ab")));
        const Snapshot before(m);
        FakeMessenger msg;
        msg.answer({c.answer});
        EXPECT_EQ(readLayoutBytes(m, c.bytes, msg), c.outcome) << c.name;
        EXPECT_EQ(msg.prompts(), c.prompts) << c.name;
        EXPECT_TRUE(Snapshot(m) == before) << c.name;
        for (const auto& box : msg.boxes()) {
            EXPECT_TRUE(box.title.isEmpty()) << c.name;
            EXPECT_EQ(box.button, box.prompt == kQuestion ? 4 : 6) << c.name;
        }
    }
}

TEST(ReadLayoutFile, UnreadablePathsAreRefusedWithTheirName) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.kbd"));
    for (const QString& path : {missing, dir.path()}) {
        LayoutModel m;
        loadStandard(m);
        const Snapshot before(m);
        FakeMessenger msg;
        EXPECT_EQ(ReadLayoutFile(m, path, msg), ReadOutcome::Refused);
        ASSERT_EQ(msg.prompts().size(), 1);
        EXPECT_TRUE(msg.prompts().at(0).endsWith(QDir::toNativeSeparators(path)));
        EXPECT_TRUE(Snapshot(m) == before);
    }
}

TEST(ReadLayoutFile, QuestionsAndTheirAbsence) {
    QByteArray spaceKey = standardLayoutImage();
    spaceKey[kSpaceVirtualKeyOffset] = 0x7F;
    QByteArray oddHeader = standardLayoutImage();
    oddHeader[0] = 'X';
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList prompts;
    };
    const Case cases[] = {
        {"plain500", plainStandardFile(), {}},
        {"spaceBarVirtualKeyIgnored", spaceKey, {}},
        {"headerDiffersAnswerYes", oddHeader, {kQuestion}},
    };
    for (const Case& c : cases) {
        LayoutModel m;
        FakeMessenger msg;
        msg.answer({0});
        EXPECT_EQ(readLayoutBytes(m, c.bytes, msg), ReadOutcome::Read) << c.name;
        EXPECT_EQ(msg.prompts(), c.prompts) << c.name;
        EXPECT_EQ(m.entry(m.KeyMap(31)).code, 199) << c.name;
    }
}

TEST(ReadLayoutFile, PlaneBytesAndCombinedKeysResolveToEntries) {
    QByteArray f = fileWithTable(
        // a state-10 copy alone does not count; a three-character text does
        tableEntry("\xC7\xF0", '2', 10) + tableEntry("\xE1\xC7", 'G', 2) +
        tableEntry("\xE1\xC7", 'G', 10) + tableEntry("abc", '\\', 2) + tableEntry("abc", '\\', 10) +
        // n = 0: the text is the first byte alone; the entry still takes seven bytes
        tableEntry("\xC7", 'A', 2) + QByteArray(2, '\0'));
    f[kBasePlaneOffset + 0] = 'a';                       // a character the palette lacks
    f[kBasePlaneOffset + 1] = '\0';                      // an empty key
    f[kShiftPlaneOffset + 40] = static_cast<char>(0xE1); // a lone lam byte
    f[kShiftPlaneOffset + 41] = 'Q';

    LayoutModel m;
    FakeMessenger msg;
    ASSERT_EQ(readLayoutBytes(m, f, msg), ReadOutcome::Read);
    EXPECT_TRUE(msg.prompts().isEmpty());
    EXPECT_EQ(m.KeyMap(0), 104);
    EXPECT_EQ(m.entry(104).caption, QStringLiteral("a"));
    EXPECT_EQ(m.KeyMap(1), kEmptyEntry);
    EXPECT_EQ(m.KeyMap(48 + 2), 0);              // alef, its table entry ignored
    EXPECT_EQ(m.KeyMap(48 + 30), kLamAlefEntry); // legend G
    EXPECT_EQ(m.KeyMap(48 + 26), 0);             // a one-character table text is a plain key
    EXPECT_EQ(m.KeyMap(48 + 40), 30);
    EXPECT_EQ(m.KeyMap(48 + 25), 105); // legend backslash; base-plane texts came first
    EXPECT_EQ(m.entry(105).caption, QStringLiteral("abc"));
    EXPECT_EQ(m.KeyMap(48 + 41), 106);
    EXPECT_EQ(m.entry(106).caption, QStringLiteral("Q"));
    EXPECT_EQ(m.ExtraChars(), QByteArray("\x01"
                                         "a\x03"
                                         "abc\x01Q"));
}

TEST(ReadLayoutFile, ReadingTwiceGivesTheSameLayoutAndDoublesExtraChars) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("std.kbd"));
    ASSERT_TRUE(writeFile(path, standardLayoutImage()));
    LayoutModel m;
    FakeMessenger msg;
    ASSERT_EQ(ReadLayoutFile(m, path, msg), ReadOutcome::Read);
    const auto first = m.keyMapArray();
    ASSERT_EQ(ReadLayoutFile(m, path, msg), ReadOutcome::Read);
    EXPECT_EQ(m.keyMapArray(), first);
    EXPECT_EQ(m.paletteSize(), 105);
    EXPECT_EQ(m.extraCharsItems().size(), 2);
}

TEST(WriteLayoutFile, StandardLayoutRoundTripsByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.kbd"));
    LayoutModel m;
    loadStandard(m);
    const Snapshot before(m);
    const WriteResult r = WriteLayoutFile(m, path);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(readFile(path), standardLayoutImage());
    EXPECT_TRUE(Snapshot(m) == before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.kbd")});
}

TEST(WriteLayoutFile, PlanesTableAndDataSize) {
    LayoutModel m;
    loadStandard(m);
    m.setShiftPlaneShown(true);
    m.ClearKey(2);  // removes the run-time "اً"
    m.ClearKey(30); // lam-alef
    m.setShiftPlaneShown(false);
    m.ClearKey(5);
    m.ClearKey(6);
    m.SetKey(6, kLamAlefEntry); // base plane: only its first code, no table entry
    QByteArray plain = encodeLayout(m);
    ASSERT_EQ(plain.size(), 500);
    EXPECT_EQ(plain.mid(kDataSizeOffset, 2), QByteArray("\xD8\x01"));
    EXPECT_EQ(plain[kBasePlaneOffset + 5], '\0');
    EXPECT_EQ(static_cast<std::uint8_t>(plain[kBasePlaneOffset + 6]), 225);
    EXPECT_EQ(plain.mid(kShiftPlaneOffset, 48), plain.mid(kShiftCopyOffset, 48));
    EXPECT_EQ(plain.right(2), QByteArray(2, '\0'));

    // Fixed entries with long captions are single codes; a run-time text is a combined key.
    m.setShiftPlaneShown(true);
    m.SetKey(10, 57);
    m.SetKey(11, 99);
    m.SetKey(12, m.AddPaletteEntry(QByteArray("abc")));
    const QByteArray bytes = encodeLayout(m);
    ASSERT_EQ(bytes.size(), 500 + 4 * 3 + 6);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[kShiftPlaneOffset + 10]), 220);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[kShiftPlaneOffset + 11]), 157);
    EXPECT_EQ(bytes[kShiftPlaneOffset + 12], 'a');
    EXPECT_EQ(bytes.mid(kTableOffset, 18), QByteArray("a=\x02\x00\x02"
                                                      "b\x00"
                                                      "c\x00"
                                                      "a=\x0A\x00\x02"
                                                      "b\x00"
                                                      "c\x00",
                                                      18));

    // What the writer produces reads back with no question and the same slots.
    LayoutModel back;
    FakeMessenger msg;
    ASSERT_EQ(readLayoutBytes(back, bytes, msg), ReadOutcome::Read);
    EXPECT_TRUE(msg.prompts().isEmpty());
    for (int k = 0; k < kKeyCount; ++k) {
        EXPECT_EQ(back.entry(back.KeyMap(k)).code, m.entry(m.KeyMap(k)).code) << k;
        EXPECT_EQ(back.entry(back.KeyMap(48 + k)).text, m.entry(m.KeyMap(48 + k)).text) << k;
    }
    EXPECT_EQ(back.KeyMap(6), 30);        // lam-alef on the base plane comes back as lam
    EXPECT_EQ(back.KeyMap(48 + 12), 104); // the only run-time entry
}

TEST(WriteLayoutFile, FailureKeepsTheOldFileAndTheModel) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.kbd"));
    const QByteArray old("old contents");
    ASSERT_TRUE(writeFile(path, old));

    // 48 combined keys of 255 characters do not fit in a layout file.
    LayoutModel m;
    loadStandard(m);
    m.setShiftPlaneShown(true);
    for (int k = 0; k < kKeyCount; ++k) {
        m.ClearKey(k);
        m.SetKey(k, m.AddPaletteEntry(QByteArray(255, 'x')));
    }
    m.setLayoutChanged(false);
    const Snapshot before(m);
    WriteResult r = WriteLayoutFile(m, path);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(readFile(path), old);
    EXPECT_TRUE(Snapshot(m) == before);

    // A folder that does not exist, and a folder in the file's place.
    r = WriteLayoutFile(m, dir.filePath(QStringLiteral("no/such/folder/x.kbd")));
    EXPECT_FALSE(r.ok);
    r = WriteLayoutFile(m, dir.path());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.kbd")});
}
