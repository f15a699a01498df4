// The fixed palette, the key table and the standard image agree with each other.
#include "keyboard_test_util.h"

#include "keyboard/keys.h"
#include "keyboard/palette.h"

#include "common/codepage.h"

#include <gtest/gtest.h>

using namespace zerva::keyboard;
using namespace zerva::keyboard::test;
using zerva::common::cp1256Char;

TEST(StandardImage, HeaderLegendRowAndPlanesMatchTheKeyTable) {
    const QByteArray image = LoadResourceText(u"STANDARD", u"KBD");
    ASSERT_EQ(image.size(), kStandardImageSize);
    EXPECT_TRUE(image.startsWith("DS"));
    EXPECT_EQ(static_cast<std::uint8_t>(image[12]) | static_cast<std::uint8_t>(image[13]) << 8,
              kStandardImageSize - 28);
    EXPECT_TRUE(LoadResourceText(u"OTHER", u"KBD").isEmpty());
    for (int k = 0; k < kKeyCount; ++k) {
        const KeyInfo& key = keyTable()[static_cast<std::size_t>(k)];
        EXPECT_EQ(static_cast<std::uint8_t>(image[238 + k]), key.virtualKey) << k;
        EXPECT_EQ(image[kLegendRowOffset + k], key.legend) << k;
        EXPECT_EQ(static_cast<std::uint8_t>(image[kBasePlaneOffset + k]), kStandardBase[k]) << k;
        EXPECT_EQ(static_cast<std::uint8_t>(image[kShiftPlaneOffset + k]), kStandardShift[k]) << k;
    }
    EXPECT_EQ(image.mid(kShiftPlaneOffset, kKeyCount), image.mid(kShiftCopyOffset, kKeyCount));
    EXPECT_EQ(keyRow(12), 0);
    EXPECT_EQ(keyRow(13), 1);
    EXPECT_EQ(keyRow(36), 2);
    EXPECT_EQ(keyRow(46), 3);
    EXPECT_EQ(keyRow(47), 4);
}

TEST(Palette, EveryCodeFindsItsOwnEntryExceptLamAlef) {
    for (int i = 0; i < kFixedEntryCount; ++i) {
        const PaletteEntry e = fixedEntry(i);
        if (i == kLamAlefEntry) {
            EXPECT_EQ(findFixedEntry(e.code), 30); // a lone 225 is lam
        } else {
            EXPECT_EQ(findFixedEntry(e.code), i) << i;
        }
        EXPECT_EQ(e.visible, i != kEmptyEntry) << i;
    }
    EXPECT_EQ(findFixedEntry(0), kEmptyEntry);
    EXPECT_EQ(findFixedEntry('a'), -1);
    EXPECT_EQ(findFixedEntry(160, 99), -1); // no-break space is entry 101
}

TEST(Palette, CaptionsTextsAndStartUpTips) {
    struct Row {
        const char* name;
        int entry;
        QString caption;
        QByteArray text;
        QString tip;
    };
    const QString p = tipPrefix();
    const Row rows[] = {
        {"alef", 0, QString(cp1256Char(199)), QByteArray("\xC7"), p + QStringLiteral("199")},
        {"alefMaqsura", 38, QString(cp1256Char(236)), QByteArray("\xEC"),
         QStringLiteral("الف مقصوره") + p + QStringLiteral("236")},
        {"tatweel", 57, QString(cp1256Char(220)) + cp1256Char(157), QByteArray("\xDC"),
         QStringLiteral("اتصال كشيده") + p + QStringLiteral("220")},
        {"ampersand", 70, QStringLiteral("&&"), QByteArray("&"), p + QStringLiteral("38")},
        {"rtlMark", 96, QStringLiteral("RTL"), QByteArray("\xFE"),
         QStringLiteral("راست به چپ") + p + QStringLiteral("254")},
        {"space", 98, QStringLiteral("فاصله"), QByteArray(" "), QString()},
        {"zwnj", 99, QStringLiteral("فاصلهي مجازي"), QByteArray("\x9D"), QStringLiteral("VS")},
        {"lamAlef", 102, QStringLiteral("لا"), QByteArray("\xE1\xC7"),
         p + QStringLiteral("225 199")},
        {"empty", 103, QString(), QByteArray(), QString()},
    };
    for (const Row& r : rows) {
        const PaletteEntry e = fixedEntry(r.entry);
        EXPECT_EQ(e.caption, r.caption) << r.name;
        EXPECT_EQ(e.text, r.text) << r.name;
        EXPECT_EQ(e.tip, r.tip) << r.name;
    }
    EXPECT_EQ(p,
              QString(cp1256Char(0xFD)) + QLatin1Char('(') + cp1256Char(0xFE) + QLatin1Char('('));
}

TEST(Palette, LoneMarksAreShownOnADottedCircle) {
    const QChar circle(0x25CC);
    // Entries 40..47 are the short vowels, tanweens, shadda and sukun of code page 1256.
    for (int e = 40; e <= 47; ++e) {
        const QString caption = fixedEntry(e).caption;
        EXPECT_EQ(shownCaption(caption), circle + caption) << e;
    }
    // A mark on a letter, letters, Latin captions and the empty entry are drawn as they are.
    for (int e : {0, 30, 57, 96, 101, kLamAlefEntry, kEmptyEntry}) {
        EXPECT_EQ(shownCaption(fixedEntry(e).caption), fixedEntry(e).caption) << e;
    }
    const QString alefTanween = QString{cp1256Char(199)} + cp1256Char(240);
    EXPECT_EQ(shownCaption(alefTanween), alefTanween);
}
