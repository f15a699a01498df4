// The XKB export: key names, keysyms of each level, and the whole file as libxkbcommon's
// own compiler reads it.
#include "keyboard/xkb_export.h"

#include "common/codepage.h"
#include "tests/support/printers.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva;
using keyboard::XkbLevelForm;

namespace {

// The planes of the standard layout image (file offsets 306..401), in code page 1256.
const QByteArray kStandardBase = QByteArray::fromHex(
    "81 31 32 33 34 35 36 37 38 39 30 2D 3D D6 D5 CB DE DD DB DA E5 CE CD CC 8D 8E D4 D3 ED C8 "
    "E1 C7 CA E4 E3 DF 90 D9 D8 D2 D1 D0 CF C6 E6 2E 2F 20");
const QByteArray kStandardShift = QByteArray::fromHex(
    "F8 21 C7 5D 5B EC 5E 2A D7 29 28 DC 2B F3 F0 F5 F1 FE FD FA C9 F7 9E 7D 7B A0 F6 F2 92 91 "
    "E1 C2 94 93 2C 3A BA BB AB 9B 8B C3 C5 C1 C4 A1 BF 9D");

// The standard layout as the texts its slots type, with its two combined keys.
keyboard::XkbKeyTexts standardTexts() {
    keyboard::XkbKeyTexts texts;
    const QByteArray planes = kStandardBase + kStandardShift;
    for (int slot = 0; slot < keyboard::kXkbSlotCount; ++slot) {
        const auto byte = static_cast<std::uint8_t>(planes[slot]);
        texts[slot] = byte == 0 ? QString() : QString(common::cp1256Char(byte));
    }
    texts[48 + 2] = common::fromCp1256("\xC7\xF0");  // alef, fathatan
    texts[48 + 30] = common::fromCp1256("\xE1\xC7"); // lam, alef
    return texts;
}

struct ToolOutput {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolOutput runXkbcli(const QStringList& args, const QString& configHome = {}) {
    const QString xkbcli = QStandardPaths::findExecutable(QStringLiteral("xkbcli"));
    QProcess p;
    if (!configHome.isEmpty()) {
        // how-to-type has no include option; libxkbcommon looks in $XDG_CONFIG_HOME/xkb.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        p.setProcessEnvironment(env);
    }
    p.start(xkbcli, args);
    if (!p.waitForFinished(30000)) {
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Writes the file as <dir>/xkb/symbols/zerva and compiles a keymap with that layout.
ToolOutput compileLayout(const QTemporaryDir& dir, const QByteArray& symbols) {
    const QString xkbDir = dir.filePath(QStringLiteral("xkb"));
    QDir().mkpath(xkbDir + QStringLiteral("/symbols"));
    QFile file(xkbDir + QStringLiteral("/symbols/") + keyboard::kXkbLayoutName);
    if (!file.open(QIODevice::WriteOnly) || file.write(symbols) != symbols.size()) {
        return {};
    }
    file.close();
    return runXkbcli({QStringLiteral("compile-keymap"), QStringLiteral("--include"), xkbDir,
                      QStringLiteral("--include-defaults"), QStringLiteral("--layout"),
                      keyboard::kXkbLayoutName});
}

// The compiled keymap's line for a key, with its spacing collapsed.
QString keyLine(const QString& keymap, const QString& name) {
    for (const QString& line : keymap.split(QLatin1Char('\n'))) {
        const QString s = line.simplified();
        if (s.startsWith(QStringLiteral("key <%1> {").arg(name))) {
            return s;
        }
    }
    return {};
}

#define REQUIRE_XKBCLI()                                                                           \
    if (QStandardPaths::findExecutable(QStringLiteral("xkbcli")).isEmpty()) {                      \
        GTEST_SKIP() << "xkbcli (libxkbcommon-tools) is not installed";                            \
    }

TEST(XkbExport, KeysFollowTheLayoutsKeyOrder) {
    const std::pair<int, const char*> anchors[] = {
        {0, "TLDE"},  {1, "AE01"},  {12, "AE12"}, {13, "AD01"}, {24, "AD12"},
        {25, "BKSL"}, {26, "AC01"}, {30, "AC05"}, {36, "AC11"}, {37, "AB01"},
        {46, "AB10"}, {47, "SPCE"}, {48, ""},     {-1, ""}};
    for (const auto& [key, name] : anchors) {
        EXPECT_EQ(keyboard::xkbKeyName(key), QLatin1String(name)) << "key " << key;
    }
    QSet<QString> names;
    for (int key = 0; key < keyboard::kXkbKeyCount; ++key) {
        names.insert(keyboard::xkbKeyName(key));
    }
    EXPECT_EQ(names.size(), keyboard::kXkbKeyCount);
}

struct LevelCase {
    const char* name;
    QString text;
    int slot;
    const char* multiple; // the level in the user's file (libxkbcommon)
    const char* compose;  // the level in the X server's file
};

class XkbLevel : public testing::TestWithParam<LevelCase> {};

TEST_P(XkbLevel, NamedKeysymsAndTheSlotsOwnKeysymForTwoCharacters) {
    const LevelCase& c = GetParam();
    EXPECT_EQ(keyboard::xkbLevel(c.text, XkbLevelForm::MultipleKeysyms, c.slot),
              QLatin1String(c.multiple));
    EXPECT_EQ(keyboard::xkbLevel(c.text, XkbLevelForm::ComposeKeysym, c.slot),
              QLatin1String(c.compose));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XkbLevel,
    testing::Values(
        LevelCase{"Empty", QString(), 0, "NoSymbol", "NoSymbol"},
        LevelCase{"Alef", common::fromCp1256("\xC7"), 31, "Arabic_alef", "Arabic_alef"},
        LevelCase{"AsciiDigit", QStringLiteral("1"), 1, "1", "1"},
        LevelCase{"CodePageOnlyLetterPe", common::fromCp1256("\x81"), 0, "Arabic_peh",
                  "Arabic_peh"},
        LevelCase{"PersianYehAndDigit", QString(QChar(0x06CC)), 28, "Farsi_yeh", "Farsi_yeh"},
        LevelCase{"NoNameZeroWidthNonJoiner", common::fromCp1256("\x9D"), 95, "U200C", "U200C"},
        LevelCase{"NoBreakSpace", common::fromCp1256("\xA0"), 73, "nobreakspace", "nobreakspace"},
        LevelCase{"LamAlef", common::fromCp1256("\xE1\xC7"), 78, "{ Arabic_lam, Arabic_alef }",
                  "UF5A4E"},
        LevelCase{"AlefFathatanOnAnotherSlot", common::fromCp1256("\xC7\xF0"), 50,
                  "{ Arabic_alef, Arabic_fathatan }", "UF5A32"},
        LevelCase{"ThreeCharacters", common::fromCp1256("\xE1\xC7\xF0"), 48,
                  "{ Arabic_lam, Arabic_alef, Arabic_fathatan }", "UF5A30"},
        LevelCase{"ControlCharacterHasNoKeysym", QStringLiteral("\t"), 5, "NoSymbol", "NoSymbol"},
        LevelCase{"ControlCharacterIsLeftOut", QStringLiteral("\x01") + common::fromCp1256("\xC8"),
                  60, "Arabic_beh", "Arabic_beh"},
        LevelCase{"BeyondTheBasicPlane", QString::fromUcs4(U"\U0001F600", 1), 7, "U1F600",
                  "U1F600"}),
    [](const testing::TestParamInfo<LevelCase>& info) { return std::string(info.param.name); });

TEST(XkbExport, FileNamesEveryKeyWithTwoLevels) {
    const QString file = QString::fromUtf8(
        keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::MultipleKeysyms));
    EXPECT_TRUE(file.contains(QStringLiteral("name[Group1] = \"Persian (Zerva 2001)\";")));
    EXPECT_TRUE(
        file.contains(QStringLiteral("    key <TLDE> { [ Arabic_peh, Arabic_shadda ] };\n")));
    EXPECT_TRUE(file.contains(
        QStringLiteral("    key <AE02> { [ 2, { Arabic_alef, Arabic_fathatan } ] };\n")));
    EXPECT_TRUE(file.contains(
        QStringLiteral("    key <AC05> { [ Arabic_lam, { Arabic_lam, Arabic_alef } ] };\n")));
    EXPECT_TRUE(file.contains(QStringLiteral("    key <SPCE> { [ space, U200C ] };\n")));
    EXPECT_EQ(file.count(QStringLiteral("    key <")), keyboard::kXkbKeyCount);

    keyboard::XkbKeyTexts empty;
    const QString blank = QString::fromUtf8(keyboard::exportXkbSymbols(
        empty, XkbLevelForm::ComposeKeysym, QStringLiteral("A \"quoted\" name")));
    EXPECT_EQ(blank.count(QStringLiteral("[ NoSymbol, NoSymbol ]")), keyboard::kXkbKeyCount);
    EXPECT_TRUE(blank.contains(QStringLiteral("name[Group1] = \"A \\\"quoted\\\" name\";")));
}

TEST(XkbExport, StandardLayoutCompilesWithLibxkbcommon) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    const ToolOutput compiled = compileLayout(
        dir, keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::MultipleKeysyms));
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err.toStdString();
    EXPECT_FALSE(compiled.err.contains(QStringLiteral("ERROR"))) << compiled.err.toStdString();
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AC05")),
              QStringLiteral("key <AC05> { [ Arabic_lam, { Arabic_lam, Arabic_alef } ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AE02")),
              QStringLiteral("key <AE02> { [ 2, { Arabic_alef, Arabic_fathatan } ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("BKSL")),
              QStringLiteral("key <BKSL> { [ Arabic_jeh, nobreakspace ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("SPCE")),
              QStringLiteral("key <SPCE> { [ space, U200C ] };"));
}

TEST(XkbExport, ComposeFormCompilesWithTheSlotsOwnKeysyms) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    const ToolOutput compiled = compileLayout(
        dir, keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::ComposeKeysym));
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err.toStdString();
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AC05")),
              QStringLiteral("key <AC05> { [ Arabic_lam, U000F5A4E ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AE02")),
              QStringLiteral("key <AE02> { [ 2, U000F5A32 ] };"));
}

TEST(XkbExport, ComposeSequencesSpellOutEveryTextOfSeveralCharacters) {
    keyboard::XkbKeyTexts texts = standardTexts();
    texts[5] = QStringLiteral("a\"\\"); // a base-plane slot too, with characters to escape
    EXPECT_EQ(QString::fromUtf8(keyboard::xkbComposeSequences(texts)),
              QStringLiteral("<UF5A05> : \"a\\\"\\\\\"   # key <AE05>\n") +
                  QStringLiteral("<UF5A32> : \"") + common::fromCp1256("\xC7\xF0") +
                  QStringLiteral("\"   # key <AE02>, Shift\n<UF5A4E> : \"") +
                  common::fromCp1256("\xE1\xC7") + QStringLiteral("\"   # key <AC05>, Shift\n"));
    EXPECT_TRUE(keyboard::xkbComposeSequences(keyboard::XkbKeyTexts{}).isEmpty());
}

TEST(XkbExport, PersianLettersReplaceArabicYehKafAndNumberRowDigits) {
    keyboard::XkbKeyTexts texts = standardTexts();
    texts[48 + 13] = common::fromCp1256("\xED\xDF"); // a combined key: ي ك
    texts[34] = QStringLiteral("5");                 // a digit outside the number row
    const keyboard::XkbKeyTexts out = keyboard::withPersianLetters(texts);
    EXPECT_EQ(out[28], QString(QChar(0x06CC))); // D: yeh
    EXPECT_EQ(out[35], QString(QChar(0x06A9))); // ;: keheh
    EXPECT_EQ(out[48 + 13], QString(QChar(0x06CC)) + QChar(0x06A9));
    EXPECT_EQ(out[1], QString(QChar(0x06F1))); // number row, base
    EXPECT_EQ(out[10], QString(QChar(0x06F0)));
    EXPECT_EQ(out[34], QStringLiteral("5")); // not on the number row
    EXPECT_EQ(out[48 + 5], texts[48 + 5]);   // alef maksura stays
    EXPECT_EQ(out[48 + 30], texts[48 + 30]); // lam-alef stays
    int changed = 0;
    for (int slot = 0; slot < keyboard::kXkbSlotCount; ++slot) {
        changed += out[slot] != texts[slot] ? 1 : 0;
    }
    EXPECT_EQ(changed, 13); // ten digits, yeh, kaf and the combined key
}

// The compile check would catch a damaged file: without this, a passing compile proves little.
TEST(XkbExport, CompilerRefusesADamagedFile) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    QByteArray damaged = keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::MultipleKeysyms);
    damaged.replace("key <AC05> { [", "key <AC05> { [ [");
    EXPECT_NE(compileLayout(dir, damaged).exitCode, 0);
}

// Every character of the standard layout is found on a key of its own slot, by the tool
// input methods and desktops use to look a character up.
TEST(XkbExport, HowToTypeFindsEveryCharacterOfTheStandardLayout) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    const keyboard::XkbKeyTexts texts = standardTexts();
    ASSERT_EQ(compileLayout(dir, keyboard::exportXkbSymbols(texts, XkbLevelForm::MultipleKeysyms))
                  .exitCode,
              0);
    int checked = 0;
    QStringList missing;
    for (int slot = 0; slot < keyboard::kXkbSlotCount; ++slot) {
        if (texts[slot].size() != 1) {
            continue; // the two combined keys: their characters are on keys of their own
        }
        const int key = slot % keyboard::kXkbKeyCount;
        const int level = slot < keyboard::kXkbKeyCount ? 1 : 2;
        const ToolOutput typed =
            runXkbcli({QStringLiteral("how-to-type"), QStringLiteral("--layout"),
                       keyboard::kXkbLayoutName, QString::number(texts[slot].at(0).unicode())},
                      dir.path());
        // "42  AC05  1  Persian (Zerva 2001)  1  [ ]": keycode, key, layout, name, level, mods.
        const QRegularExpression row(
            QStringLiteral("^\\s*\\d+\\s+%1\\s+1\\s+Persian \\(Zerva 2001\\)\\s+%2\\s+\\[")
                .arg(keyboard::xkbKeyName(key))
                .arg(level),
            QRegularExpression::MultilineOption);
        ++checked;
        if (typed.exitCode != 0 || !row.match(typed.out).hasMatch()) {
            missing
                << QStringLiteral("slot %1 U+%2").arg(slot).arg(texts[slot].at(0).unicode(), 4, 16);
        }
    }
    EXPECT_EQ(checked, 94);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QStringLiteral(", ")).toStdString();
}

} // namespace
