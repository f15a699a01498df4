// The exports for other systems, each read back by a small reader of its own to the same 96
// slots: the Windows .klc source, the macOS .keylayout and the XKB symbols file.
#include "keyboard/commands.h"
#include "keyboard/layout_export.h"

#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "tests/support/test_paths.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <map>

using namespace zerva::keyboard;
using zerva::common::fromCp1256;

namespace {

// The standard layout with an empty slot, a two-character key of its own and a character the
// palette lacks.
XkbKeyTexts sampleTexts() {
    LayoutModel model;
    EXPECT_TRUE(model.replaceLayout(decodeLayoutFile(standardLayoutImage()).planes));
    model.ClearKey(0);
    model.setShiftPlaneShown(true);
    model.ClearKey(5);
    model.SetKey(5, model.AddPaletteEntry(QByteArray("\xE1\xC2")));
    model.SetKey(11, model.AddPaletteEntry(QByteArray("\xC7\xE1\xE1")));
    return xkbKeyTexts(model);
}

// Scan codes by key, from the key table of the standard file's header (the space bar's is
// not there: 0x39).
int keyOfScanCode(int scanCode) {
    const QByteArray image = standardLayoutImage();
    for (int k = 0; k < 47; ++k) {
        if (static_cast<std::uint8_t>(image[190 + k]) == scanCode) {
            return k;
        }
    }
    return scanCode == 0x39 ? 47 : -1;
}

QString klcValue(const QString& v) {
    if (v == QStringLiteral("-1")) {
        return {};
    }
    if (v.size() == 1) {
        return v;
    }
    return QString(QChar(static_cast<char16_t>(v.toUInt(nullptr, 16))));
}

XkbKeyTexts readKlc(const QByteArray& bytes) {
    XkbKeyTexts texts;
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\\r]\\n"))));
    std::map<QString, int> keyOfVk;
    QString section;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const QStringList t =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (t.isEmpty() || line.startsWith(QStringLiteral("//"))) {
            continue;
        }
        if (t.size() == 1 || t[0] == QStringLiteral("LAYOUT")) {
            section = t[0];
            continue;
        }
        if (section == QStringLiteral("LAYOUT")) {
            const int key = keyOfScanCode(t[0].toInt(nullptr, 16));
            EXPECT_GE(key, 0) << line.toStdString();
            keyOfVk[t[1]] = key;
            for (int level = 0; level < 2; ++level) {
                const QString v = t[3 + level];
                texts[static_cast<std::size_t>(level * kKeyCount + key)] =
                    v == QStringLiteral("%%") ? QStringLiteral("%%") : klcValue(v);
            }
        } else if (section == QStringLiteral("LIGATURE")) {
            QString lig;
            for (qsizetype i = 2; i < t.size(); ++i) {
                lig += klcValue(t[i]);
            }
            const auto slot = static_cast<std::size_t>(t[1].toInt() * kKeyCount + keyOfVk.at(t[0]));
            EXPECT_EQ(texts[slot], QStringLiteral("%%"));
            texts[slot] = lig;
        }
    }
    return texts;
}

XkbKeyTexts readKeylayout(const QByteArray& bytes, std::map<int, QString>* commandMap = nullptr) {
    XkbKeyTexts texts;
    std::map<int, int> keyOfCode;
    for (int k = 0; k < kKeyCount; ++k) {
        keyOfCode[macKeyCode(k)] = k;
    }
    QXmlStreamReader xml(bytes);
    int map = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QStringLiteral("keyMap")) {
            map = xml.attributes().value(QStringLiteral("index")).toInt();
        } else if (xml.name() == QStringLiteral("key")) {
            const int code = xml.attributes().value(QStringLiteral("code")).toInt();
            const QString out = xml.attributes().value(QStringLiteral("output")).toString();
            if (map == 2 && commandMap != nullptr) {
                (*commandMap)[code] = out;
            }
            const auto it = keyOfCode.find(code);
            if (map < 2 && it != keyOfCode.end()) {
                texts[static_cast<std::size_t>(map * kKeyCount + it->second)] = out;
            }
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return texts;
}

XkbKeyTexts readXkb(const QByteArray& bytes) {
    XkbKeyTexts texts;
    std::map<QString, int> keyOfName;
    for (int k = 0; k < kKeyCount; ++k) {
        keyOfName[xkbKeyName(k)] = k;
    }
    const QRegularExpression row(QStringLiteral("key <(\\w+)> \\{ \\[ (.*) \\] \\};"));
    const QRegularExpression keysym(QStringLiteral("[A-Za-z0-9_]+"));
    for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = row.match(line);
        if (!m.hasMatch()) {
            continue;
        }
        // The two levels, split at the comma outside braces.
        const QString levels = m.captured(2);
        int depth = 0;
        qsizetype split = -1;
        for (qsizetype i = 0; i < levels.size(); ++i) {
            depth += levels[i] == QLatin1Char('{') ? 1 : levels[i] == QLatin1Char('}') ? -1 : 0;
            if (depth == 0 && levels[i] == QLatin1Char(',')) {
                split = i;
            }
        }
        EXPECT_GT(split, 0) << line.toStdString();
        const QString parts[2] = {levels.left(split), levels.mid(split + 1)};
        for (int level = 0; level < 2; ++level) {
            QString text;
            auto it = keysym.globalMatch(parts[level]);
            while (it.hasNext()) {
                // Keysyms by name (Arabic_lam) or number (U06CC), read by libxkbcommon.
                const QByteArray name = it.next().captured().toLatin1();
                const std::uint32_t c = xkb_keysym_to_utf32(
                    xkb_keysym_from_name(name.constData(), XKB_KEYSYM_NO_FLAGS));
                if (c != 0) {
                    const char32_t ch = c;
                    text += QString::fromUcs4(&ch, 1);
                }
            }
            texts[static_cast<std::size_t>(level * kKeyCount + keyOfName.at(m.captured(1)))] = text;
        }
    }
    return texts;
}

void expectSameSlots(const XkbKeyTexts& got, const XkbKeyTexts& want) {
    for (int s = 0; s < kXkbSlotCount; ++s) {
        EXPECT_EQ(got[static_cast<std::size_t>(s)], want[static_cast<std::size_t>(s)])
            << "slot " << s;
    }
}

} // namespace

TEST(LayoutExport, EachFormatReadsBackToTheSameSlots) {
    const XkbKeyTexts texts = sampleTexts();
    ASSERT_EQ(texts[0], QString());
    ASSERT_EQ(texts[kKeyCount + 5].size(), 2);
    ASSERT_EQ(texts[kKeyCount + 11].size(), 3);

    const ExportedLayout klc = exportKlc(texts);
    EXPECT_TRUE(klc.shortenedSlots.isEmpty());
    expectSameSlots(readKlc(klc.bytes), texts);

    const ExportedLayout mac = exportKeylayout(texts);
    EXPECT_TRUE(mac.shortenedSlots.isEmpty());
    std::map<int, QString> command;
    expectSameSlots(readKeylayout(mac.bytes, &command), texts);
    // Shortcuts: Command with the key at Q (12) and at A (0) gives the Latin letters.
    EXPECT_EQ(command[12], QStringLiteral("q"));
    EXPECT_EQ(command[0], QStringLiteral("a"));

    const ExportedLayout xkb = exportXkb(texts);
    EXPECT_TRUE(xkb.shortenedSlots.isEmpty());
    expectSameSlots(readXkb(xkb.bytes), texts);
}

TEST(LayoutExport, KnownPlacesOfKeysInEachFormat) {
    const XkbKeyTexts texts = sampleTexts();
    const QByteArray klcBytes = exportKlc(texts).bytes;
    const QString klc = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(klcBytes.constData() + 2), (klcBytes.size() - 2) / 2);
    // H (31) is scan code 23, named by its letter; alef and alef madda.
    EXPECT_TRUE(klc.contains(QStringLiteral("\r\n23\tH\t\t0\t0627\t0622\r\n")));
    EXPECT_TRUE(klc.contains(QStringLiteral("\r\n29\tOEM_3\t\t0\t-1\t0651\r\n")));
    EXPECT_TRUE(klc.contains(QStringLiteral("\r\n22\tG\t\t0\t0644\t%%\r\n")));
    EXPECT_TRUE(klc.contains(QStringLiteral("\r\nG\t1\t0644\t0627\r\n")));
    EXPECT_TRUE(klc.contains(QStringLiteral("\r\n39\tSPACE\t\t0\t0020\t200c\r\n")));
    EXPECT_TRUE(klc.endsWith(QStringLiteral("ENDKBD\r\n")));

    const QByteArray mac = exportKeylayout(texts).bytes;
    EXPECT_TRUE(mac.contains("<key code=\"5\" output=\"&#x0644;\"/>")); // G, base
    EXPECT_TRUE(mac.contains("<key code=\"49\" output=\"&#x0020;\"/>"));
    EXPECT_TRUE(mac.contains("maxout=\"3\""));
}

TEST(LayoutExport, WhatAFormatCannotHoldIsReported) {
    XkbKeyTexts texts = sampleTexts();
    texts[kKeyCount + 1] = QStringLiteral("abcde"); // five characters: a ligature holds four
    texts[3] = QString(QChar(0x1B));                // a control character
    const ExportedLayout klc = exportKlc(texts);
    EXPECT_EQ(klc.shortenedSlots, QList<int>{kKeyCount + 1});
    EXPECT_EQ(readKlc(klc.bytes)[kKeyCount + 1], QStringLiteral("abcd"));
    const ExportedLayout mac = exportKeylayout(texts);
    EXPECT_EQ(mac.shortenedSlots, QList<int>{3});
    EXPECT_EQ(readKeylayout(mac.bytes)[3], QString());
    EXPECT_EQ(exportXkb(texts).shortenedSlots, QList<int>{3});
}

TEST(LayoutExport, KeylayoutIsWellFormedForXmllint) {
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty()) {
        GTEST_SKIP() << "xmllint is not installed";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zerva.keylayout"));
    ASSERT_TRUE(zerva::test::writeFile(path, exportKeylayout(sampleTexts()).bytes));
    QProcess p;
    p.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--nonet"), path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}
