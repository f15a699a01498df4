// The editing surface's rules on the model alone: placing from the palette, drops, the key
// edit dialog's checks and placements, and the navigation tables.
#include "keyboard/navigation.h"
#include "keyboard/surface_rules.h"

#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "tests/support/fake_messenger.h"

#include <QString>

#include <gtest/gtest.h>

using namespace zerva::keyboard;
using zerva::common::cp1256Char;
using zerva::test::FakeMessenger;

namespace {

// The standard layout, unchanged.
void loadStandard(LayoutModel& m) {
    FakeMessenger msg;
    ASSERT_EQ(readLayoutBytes(m, standardLayoutImage(), msg), ReadOutcome::Read);
    m.setLayoutChanged(false);
}

QString ch(int code) {
    return QString(cp1256Char(static_cast<std::uint8_t>(code)));
}

} // namespace

TEST(SurfaceRules, InsertIntoCurrentKeyFillsEmptyKeysInOrderAndWraps) {
    LayoutModel m;
    loadStandard(m);
    FakeMessenger msg;
    m.ClearKey(3);  // entry 89 ("3") is free again
    m.ClearKey(40); // entry 15 (reh) is free again
    m.ClearKey(5);

    // From key 5 the next empty key is 40; from 40 the search wraps to 3.
    InsertResult r = InsertIntoCurrentKey(m, 5, 89, msg);
    EXPECT_EQ(r.outcome, InsertOutcome::Placed);
    EXPECT_EQ(m.entryOnKey(5), 89);
    EXPECT_EQ(r.focusKey, 40);
    r = InsertIntoCurrentKey(m, 40, 15, msg);
    EXPECT_EQ(r.focusKey, 3);
    // The last empty key filled: the focus stays where it was.
    m.ClearKey(5);
    r = InsertIntoCurrentKey(m, 3, 89, msg);
    EXPECT_EQ(r.focusKey, 5);
    EXPECT_TRUE(msg.prompts().isEmpty());

    // A used entry does nothing at all, not even the message.
    EXPECT_EQ(InsertIntoCurrentKey(m, 5, 89, msg).outcome, InsertOutcome::Unavailable);
    EXPECT_TRUE(msg.prompts().isEmpty());
    // A key with a character is never overwritten.
    m.ClearKey(13); // entry 21 free
    r = InsertIntoCurrentKey(m, 14, 21, msg);
    EXPECT_EQ(r.outcome, InsertOutcome::KeyNotEmpty);
    EXPECT_EQ(m.entryOnKey(14), 20);
    EXPECT_EQ(msg.prompts(),
              QStringList{QStringLiteral("لطفاً يك مكان خالي براي درج كليد انتخاب كنيد.")});
    EXPECT_EQ(msg.boxes().back().title, QString());
    // Lam-alef only in the shift plane.
    EXPECT_EQ(InsertIntoCurrentKey(m, 13, kLamAlefEntry, msg).outcome, InsertOutcome::Unavailable);
}

TEST(SurfaceRules, DropsOnKeysAndPalette) {
    struct Case {
        const char* name;
        DragRef source;
        DragRef target;
        bool editMode;
        std::vector<std::pair<int, int>> keysAfter; // key, entry
        bool changed;
    };
    const DragRef key0{SurfaceItem::Key, 0}; // پ, entry 6
    const DragRef key1{SurfaceItem::Key, 1}; // 1, entry 87
    const DragRef emptyKey{SurfaceItem::Key, 2};
    const Case cases[] = {
        {"KeyOnKeySwaps", key0, key1, true, {{0, 87}, {1, 6}}, true},
        {"KeyOnEmptyKeyMoves", key0, emptyKey, true, {{0, kEmptyEntry}, {2, 6}}, true},
        {"KeyOnKeyInViewModeDoesNothing", key0, key1, false, {{0, 6}, {1, 87}}, false},
        {"KeyOnItselfDoesNothing", key0, key0, true, {{0, 6}}, false},
        {"KeyOnPaletteEmptiesIt",
         key0,
         {SurfaceItem::PaletteEntry, 50},
         false,
         {{0, kEmptyEntry}},
         true},
        // Entry 88 ("2") was freed with key 2: it replaces the character of key 0.
        {"FreeEntryOnKeyReplaces", {SurfaceItem::PaletteEntry, 88}, key0, true, {{0, 88}}, true},
        // A used entry is refused before the key is emptied.
        {"UsedEntryOnKeyKeepsTheKey", {SurfaceItem::PaletteEntry, 87}, key0, true, {{0, 6}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayoutModel m;
        loadStandard(m);
        m.ClearKey(2);
        FakeMessenger msg;
        const DropResult r = applyDrop(m, c.source, c.target, c.editMode, false, 0, msg);
        EXPECT_EQ(r.changed, c.changed);
        for (const auto& [key, entry] : c.keysAfter) {
            EXPECT_EQ(m.entryOnKey(key), entry) << "key " << key;
        }
        EXPECT_TRUE(msg.prompts().isEmpty());
    }
}

TEST(SurfaceRules, EditedKeyChecksInOrder) {
    struct Case {
        const char* name;
        QString text;
        QString openedWith;
        bool multi;
        EditCheck expected;
    };
    const Case cases[] = {
        {"UnchangedEmptyKeyIsUnchangedNotEmpty", {}, {}, false, EditCheck::Unchanged},
        {"Emptied", {}, ch(214), false, EditCheck::Empty},
        {"TwoInBasePlane", QStringLiteral("لا"), ch(214), false, EditCheck::OneCharOnly},
        {"ThreeInBasePlane", QStringLiteral("abc"), ch(214), false, EditCheck::OneCharOnly},
        {"ThreeInShiftPlane", QStringLiteral("abc"), ch(214), true, EditCheck::OneOrTwoChars},
        {"TwoInShiftPlane", QStringLiteral("لا"), ch(214), true, EditCheck::Ok},
        {"OneLatin", QStringLiteral("q"), ch(214), false, EditCheck::Ok},
        {"NoCodePageByte", QString(QChar(0x4E2D)), ch(214), false, EditCheck::NotEncodable},
        {"PersianYehIsTheCodePageYeh", QString(QChar(0x06CC)), ch(214), false, EditCheck::Ok},
        {"PersianKehehAndDigitInShiftPlane", QString(QChar(0x06A9)) + QChar(0x06F5), ch(214), true,
         EditCheck::Ok},
        {"PersianYehOnTheYehKeyIsUnchanged", QString(QChar(0x06CC)), ch(237), false,
         EditCheck::Unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkEditedKey(c.text, c.openedWith, c.multi), c.expected);
    }
    EXPECT_EQ(editCheckMessage(EditCheck::Unchanged), QStringLiteral("كليد ويرايش نشده است."));
    EXPECT_EQ(editCheckMessage(EditCheck::Empty), QStringLiteral("كليد خالي است."));
    EXPECT_EQ(editCheckMessage(EditCheck::OneCharOnly),
              QStringLiteral("كليد يك حرفي قابل قبول است."));
    EXPECT_EQ(editCheckMessage(EditCheck::OneOrTwoChars),
              QStringLiteral("كليد يك يا دو حرفي قابل قبول است."));
}

TEST(SurfaceRules, EditedKeyPlacements) {
    LayoutModel m;
    loadStandard(m);
    const int before = m.paletteSize();

    // A character already on another key: the same entry on both keys.
    ASSERT_EQ(applyEditedKey(m, 3, ch(214)), EditApplyOutcome::Placed);
    EXPECT_EQ(m.entryOnKey(3), 21);
    EXPECT_EQ(m.entryOnKey(13), 21);
    EXPECT_TRUE(m.isEntryFree(89)); // "3" went back to the palette
    // Clearing one of them leaves the entry used: the other key still holds it.
    m.ClearKey(3);
    EXPECT_TRUE(m.isEntryUsed(21));

    // A character the palette lacks gets a hidden run-time entry.
    ASSERT_EQ(applyEditedKey(m, 3, QStringLiteral("q")), EditApplyOutcome::Placed);
    EXPECT_EQ(m.entryOnKey(3), before);
    EXPECT_FALSE(m.entry(before).visible);
    EXPECT_EQ(m.keyCaption(3), QStringLiteral("q"));

    m.setShiftPlaneShown(true);
    ASSERT_EQ(applyEditedKey(m, 5, QStringLiteral("لا")), EditApplyOutcome::Placed);
    EXPECT_EQ(m.entryOnKey(5), kLamAlefEntry);
    const QString pair = ch(199) + ch(243);
    ASSERT_EQ(applyEditedKey(m, 6, pair), EditApplyOutcome::Placed);
    EXPECT_GE(m.entryOnKey(6), kFirstRuntimeEntry);
    EXPECT_EQ(m.keyCaption(6), pair);
    EXPECT_EQ(applyEditedKey(m, 6, QString()), EditApplyOutcome::Nothing);
    EXPECT_EQ(m.keyCaption(6), pair);
}

TEST(SurfaceRules, PersianLettersAndDigitsAreStoredAsTheirCodePageCharacters) {
    const QString persian = QString(QChar(0x06CC)) + QChar(0x06A9) + QChar(0x06F0) + QChar(0x06F9) +
                            QChar(0x0660) + QChar(0x0628);
    EXPECT_EQ(foldToCodePageLetters(persian), ch(237) + ch(223) + QStringLiteral("090") + ch(200));

    LayoutModel m;
    loadStandard(m);
    ASSERT_EQ(applyEditedKey(m, 3, QString(QChar(0x06CC))), EditApplyOutcome::Placed);
    EXPECT_EQ(m.entryOnKey(3), 37); // the fixed entry of yeh (237), not a run-time entry
    ASSERT_EQ(applyEditedKey(m, 4, QString(QChar(0x06F7))), EditApplyOutcome::Placed);
    EXPECT_EQ(m.keyCaption(4), QStringLiteral("7"));
    m.setShiftPlaneShown(true);
    ASSERT_EQ(applyEditedKey(m, 6, QString(QChar(0x06A9)) + QChar(0x06CC)),
              EditApplyOutcome::Placed);
    EXPECT_EQ(m.keyCaption(6), ch(223) + ch(237));
    rememberEditedText(m, QString(QChar(0x06A9)) + QChar(0x06CC));
    EXPECT_EQ(m.extraCharsItems().last(), ch(223) + ch(237));
}

TEST(SurfaceRules, EditedKeyOnFullPaletteKeepsTheKey) {
    LayoutModel m;
    loadStandard(m);
    while (m.paletteSize() < kMaxPaletteEntries) {
        ASSERT_GE(m.AddPaletteEntry(QByteArray("zz")), 0);
    }
    // Key 13 holds a fixed entry: emptying it frees no place, so nothing may be lost.
    EXPECT_EQ(applyEditedKey(m, 13, QStringLiteral("q")), EditApplyOutcome::Impossible);
    EXPECT_EQ(m.entryOnKey(13), 21);
    // A fixed character still fits.
    EXPECT_EQ(applyEditedKey(m, 13, ch(213)), EditApplyOutcome::Placed);
}

TEST(SurfaceRules, RememberedTextsAreOfferedAfterLamAlef) {
    LayoutModel m;
    const QString pair = ch(199) + ch(243);
    rememberEditedText(m, pair);
    rememberEditedText(m, pair);                 // already listed: not added twice
    rememberEditedText(m, QStringLiteral("لا")); // always listed
    rememberEditedText(m, QStringLiteral("q"));  // single characters are listed too
    EXPECT_EQ(editKeyChoices(m), (QStringList{QStringLiteral("لا"), pair, QStringLiteral("q")}));
}

TEST(Navigation, PhysicalKeysSelectTheKeyAtTheirPosition) {
    struct Case {
        const char* name;
        int vk;
        int key;
    };
    const Case cases[] = {
        {"Backquote", 192, 0}, {"One", '1', 1},        {"Zero", '0', 10}, {"Equal", 187, 12},
        {"Q", 'Q', 13},        {"Backslash", 220, 25}, {"A", 'A', 26},    {"Quote", 222, 36},
        {"Z", 'Z', 37},        {"Slash", 191, 46},     {"Space", 32, -1}, {"F1", 112, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyIndexForVirtualKey(c.vk), c.key);
    }
    // X11 keycodes (evdev + 8) by position, whatever the active layout types.
    EXPECT_EQ(virtualKeyFromX11Keycode(24), 'Q');
    EXPECT_EQ(virtualKeyFromX11Keycode(49), 192);
    EXPECT_EQ(virtualKeyFromX11Keycode(51), 220);
    EXPECT_EQ(virtualKeyFromX11Keycode(61), 191);
    EXPECT_EQ(virtualKeyFromX11Keycode(67), 0); // F1 comes from the key code
    // Every key but the space bar is reachable by its keycode.
    for (std::uint32_t kc = 8; kc < 256; ++kc) {
        const int k = keyIndexForVirtualKey(virtualKeyFromX11Keycode(kc));
        if (k >= 0) {
            EXPECT_EQ(keyTable()[static_cast<std::size_t>(k)].virtualKey,
                      virtualKeyFromX11Keycode(kc));
        }
    }
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Question), 191);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_ParenRight), '0');
}

TEST(Navigation, PressAndReleaseRules) {
    // Shift alone shows the shift plane; a press of Shift itself counts as Shift held.
    const int shiftDown = effectiveModifiers(kVkShift, 0, true);
    EXPECT_EQ(shiftDown, kModShift);
    EXPECT_EQ(navigationKeyDown(kVkShift, shiftDown, false).shiftPlane, true);
    EXPECT_EQ(effectiveModifiers(kVkShift, kModShift, false), 0);

    NavigationAction a = navigationKeyDown('A', kModCtrl, false);
    EXPECT_EQ(a.shiftPlane, false);
    EXPECT_EQ(a.focusKey, 26);
    a = navigationKeyDown('A', kModShift | kModCtrl, false);
    EXPECT_EQ(a.shiftPlane, false);

    // A latched toggle ignores unmodified presses, and the next release lets it go.
    a = navigationKeyDown('A', 0, true);
    EXPECT_FALSE(a.shiftPlane.has_value());
    EXPECT_EQ(a.focusKey, -1);
    EXPECT_EQ(navigationKeyUp('A', 0).shiftPlane, false);

    // Space: nothing, down or up.
    EXPECT_FALSE(navigationKeyDown(kVkSpace, kModShift, false).shiftPlane.has_value());
    EXPECT_FALSE(navigationKeyUp(kVkSpace, 0).shiftPlane.has_value());
    EXPECT_TRUE(navigationKeyDown(kVkF1, 0, false).openHelp);
    EXPECT_FALSE(navigationKeyDown(kVkF1, 0, true).openHelp);
}
