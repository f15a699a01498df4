// The layout model's operations: what each does to KeyMap, the palette, LayoutChanged and the
// observers.
#include "keyboard/layout_model.h"

#include "common/codepage.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace zerva::keyboard;
using zerva::common::fromCp1256;

namespace {

QList<int> intArgs(const QSignalSpy& spy, int arg = 0) {
    QList<int> out;
    for (const auto& call : spy) {
        out << call.at(arg).toInt();
    }
    return out;
}

} // namespace

TEST(LayoutModel, SetKeyWritesTheSlotOfThePlaneShownAndNotifies) {
    LayoutModel m;
    QSignalSpy slotSpy(&m, &LayoutModel::slotChanged);
    QSignalSpy used(&m, &LayoutModel::entryUsedChanged);
    QSignalSpy changed(&m, &LayoutModel::layoutChangedChanged);

    ASSERT_TRUE(m.SetKey(5, 0));
    EXPECT_EQ(m.KeyMap(5), 0);
    EXPECT_EQ(m.KeyMap(53), kEmptyEntry);
    EXPECT_TRUE(m.isEntryUsed(0));
    EXPECT_TRUE(m.LayoutChanged());
    EXPECT_EQ(intArgs(slotSpy), QList<int>{5});
    ASSERT_EQ(used.size(), 1);
    EXPECT_EQ(used.at(0).at(0).toInt(), 0);
    EXPECT_TRUE(used.at(0).at(1).toBool());
    EXPECT_EQ(changed.size(), 1);

    m.setShiftPlaneShown(true);
    ASSERT_TRUE(m.SetKey(5, 1));
    EXPECT_EQ(m.KeyMap(53), 1);
    EXPECT_EQ(m.KeyMap(5), 0);
    EXPECT_EQ(m.entryOnKey(5), 1);
    EXPECT_EQ(m.keyOfShownSlot(53), 5);
    EXPECT_EQ(m.keyOfShownSlot(5), -1);

    // Bad indices change nothing.
    EXPECT_FALSE(m.SetKey(48, 0));
    EXPECT_FALSE(m.SetKey(-1, 0));
    EXPECT_FALSE(m.SetKey(0, kFixedEntryCount));
    EXPECT_EQ(m.KeyMap(48), kEmptyEntry);
}

TEST(LayoutModel, ClearKeyOnAnEmptyKeyChangesNothing) {
    LayoutModel m;
    QSignalSpy any(&m, &LayoutModel::slotChanged);
    QSignalSpy changed(&m, &LayoutModel::layoutChangedChanged);
    EXPECT_FALSE(m.ClearKey(3));
    EXPECT_FALSE(m.LayoutChanged());
    EXPECT_EQ(any.size(), 0);
    EXPECT_EQ(changed.size(), 0);
}

TEST(LayoutModel, EntryStaysUsedUntilTheLastKeyHoldingItIsCleared) {
    LayoutModel m;
    m.SetKey(3, 7);
    m.setShiftPlaneShown(true);
    m.SetKey(5, 7); // the same character on a second key, in the other plane
    QSignalSpy used(&m, &LayoutModel::entryUsedChanged);

    ASSERT_TRUE(m.ClearKey(5));
    EXPECT_EQ(m.KeyMap(53), kEmptyEntry);
    EXPECT_TRUE(m.isEntryUsed(7));
    EXPECT_EQ(used.size(), 0);

    m.setShiftPlaneShown(false);
    ASSERT_TRUE(m.ClearKey(3));
    EXPECT_FALSE(m.isEntryUsed(7));
    ASSERT_EQ(used.size(), 1);
    EXPECT_EQ(used.at(0).at(0).toInt(), 7);
    EXPECT_FALSE(used.at(0).at(1).toBool());
}

TEST(LayoutModel, ClearingARuntimeEntryRenumbersTheLaterOnes) {
    LayoutModel m;
    const int a = m.AddPaletteEntry(QByteArray("a"));
    m.SetKey(1, a);
    const int b = m.AddPaletteEntry(QByteArray("bc"));
    m.setShiftPlaneShown(true);
    m.SetKey(2, b);
    const int c = m.AddPaletteEntry(QByteArray("d"));
    m.SetKey(3, c);
    ASSERT_EQ(a, 104);
    ASSERT_EQ(b, 105);
    ASSERT_EQ(c, 106);
    const QString tipB = m.entry(105).tip;
    const QString tipC = m.entry(106).tip;

    m.setShiftPlaneShown(false);
    QSignalSpy removed(&m, &LayoutModel::entryRemoved);
    QSignalSpy slotSpy(&m, &LayoutModel::slotChanged);
    ASSERT_TRUE(m.ClearKey(1));

    EXPECT_EQ(m.paletteSize(), 106);
    EXPECT_EQ(intArgs(removed), QList<int>{104});
    EXPECT_EQ(m.KeyMap(1), kEmptyEntry);
    EXPECT_EQ(m.KeyMap(50), 104);
    EXPECT_EQ(m.KeyMap(51), 105);
    EXPECT_EQ(m.entry(104).caption, QStringLiteral("bc"));
    EXPECT_EQ(m.entry(104).code, 'b');
    EXPECT_EQ(m.entry(104).tip, tipB);
    EXPECT_EQ(m.entry(105).caption, QStringLiteral("d"));
    EXPECT_EQ(m.entry(105).tip, tipC);
    EXPECT_EQ(intArgs(slotSpy), (QList<int>{1, 50, 51}));
}

TEST(LayoutModel, RemovePaletteEntryRefusesFixedAndHeldEntries) {
    LayoutModel m;
    const int e = m.AddPaletteEntry(QByteArray("xy"));
    m.SetKey(0, e);
    EXPECT_FALSE(m.RemovePaletteEntry(30));
    EXPECT_FALSE(m.RemovePaletteEntry(e)); // a slot still shows it
    EXPECT_FALSE(m.RemovePaletteEntry(e + 1));
    EXPECT_EQ(m.paletteSize(), kFixedEntryCount + 1);
    EXPECT_EQ(m.KeyMap(0), e);
}

TEST(LayoutModel, AddPaletteEntryBuildsTheEntryAndRefusesWhatCannotBeStored) {
    LayoutModel m;
    QSignalSpy added(&m, &LayoutModel::entryAdded);
    const int e = m.AddPaletteEntry(QByteArray("\xC7\xF0"));
    ASSERT_EQ(e, kFirstRuntimeEntry);
    EXPECT_EQ(intArgs(added), QList<int>{e});
    const PaletteEntry& p = m.entry(e);
    EXPECT_EQ(p.caption, fromCp1256(QByteArray("\xC7\xF0")));
    EXPECT_EQ(p.code, 199);
    EXPECT_EQ(p.tip, tipPrefix() + QStringLiteral("199 240 "));
    EXPECT_FALSE(p.visible);
    EXPECT_FALSE(m.isEntryUsed(e)); // only SetKey puts it on a key

    EXPECT_EQ(m.AddPaletteEntry(QByteArray()), -1);
    EXPECT_EQ(m.AddPaletteEntry(QByteArray(256, 'x')), -1);
    EXPECT_EQ(m.AddPaletteEntry(QString(QChar(0x4E2D))), -1); // no code page 1256 byte
    EXPECT_EQ(m.AddPaletteEntry(fromCp1256(QByteArray("\xE1\xC2"))), e + 1);

    while (m.paletteSize() < kMaxPaletteEntries) {
        ASSERT_GE(m.AddPaletteEntry(QByteArray("z")), 0);
    }
    EXPECT_EQ(m.AddPaletteEntry(QByteArray("z")), -1);
    EXPECT_EQ(m.paletteSize(), kMaxPaletteEntries);
}

TEST(LayoutModel, SpacesWithLongNamesShowTheirShortTipOnOrdinaryKeys) {
    LayoutModel m;
    m.SetKey(5, 99);
    m.SetKey(kSpaceBarKey, 99);
    EXPECT_EQ(m.keyCaption(5), QStringLiteral("VS"));
    EXPECT_EQ(m.keyTip(5), m.entry(99).caption);
    EXPECT_EQ(m.keyCaption(kSpaceBarKey), m.entry(99).caption);
    EXPECT_EQ(m.keyTip(kSpaceBarKey), QStringLiteral("VS"));
    EXPECT_TRUE(m.isKeyDraggable(5));
    EXPECT_FALSE(m.isKeyDraggable(6));
    EXPECT_TRUE(m.keyCaption(6).isEmpty());
}

TEST(LayoutModel, SwitchingPlanesIsNotAnEditAndGatesLamAlef) {
    LayoutModel m;
    QSignalSpy plane(&m, &LayoutModel::planeChanged);
    EXPECT_FALSE(m.isEntryEnabled(kLamAlefEntry));
    m.setShiftPlaneShown(true);
    EXPECT_TRUE(m.isEntryEnabled(kLamAlefEntry));
    EXPECT_FALSE(m.LayoutChanged());
    m.setShiftPlaneShown(true); // no change, no signal
    EXPECT_EQ(plane.size(), 1);
    EXPECT_TRUE(m.isEntryEnabled(0));
}

TEST(LayoutModel, SwapKeysExchangesTheEntriesOfThePlaneShown) {
    LayoutModel m;
    m.SetKey(1, 10);
    m.setLayoutChanged(false);
    ASSERT_TRUE(m.swapKeys(1, 2));
    EXPECT_EQ(m.KeyMap(1), kEmptyEntry);
    EXPECT_EQ(m.KeyMap(2), 10);
    EXPECT_TRUE(m.isEntryUsed(10));
    EXPECT_TRUE(m.LayoutChanged());
    EXPECT_FALSE(m.swapKeys(2, 2));
}

TEST(LayoutModel, ExtraCharsKeepsLengthPrefixedTextsInOrder) {
    LayoutModel m;
    QSignalSpy spy(&m, &LayoutModel::extraCharsChanged);
    ASSERT_TRUE(m.appendExtraChars(QByteArray("\xC7\xF0")));
    ASSERT_TRUE(m.appendExtraChars(QByteArray("a")));
    ASSERT_TRUE(m.appendExtraChars(QByteArray("a")));
    EXPECT_FALSE(m.appendExtraChars(QByteArray()));
    EXPECT_EQ(m.ExtraChars(), QByteArray("\x02\xC7\xF0\x01"
                                         "a\x01"
                                         "a"));
    EXPECT_EQ(m.extraCharsItems(), (QStringList{fromCp1256(QByteArray("\xC7\xF0")),
                                                QStringLiteral("a"), QStringLiteral("a")}));
    EXPECT_EQ(spy.size(), 3);
}

TEST(LayoutModel, NextEmptyKeyWrapsToTheStartOfThePlaneShown) {
    LayoutModel m;
    for (int k = 0; k < kKeyCount; ++k) {
        m.SetKey(k, 0);
    }
    EXPECT_EQ(m.nextEmptyKey(10), 10); // no empty key at all
    m.ClearKey(3);
    m.ClearKey(20);
    EXPECT_EQ(m.nextEmptyKey(10), 20);
    EXPECT_EQ(m.nextEmptyKey(21), 3);
    m.setShiftPlaneShown(true); // the shift plane is all empty
    EXPECT_EQ(m.nextEmptyKey(30), 30);
}
