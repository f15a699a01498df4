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

TEST(XkbExport, LevelsAreUnicodeKeysyms) {
    struct Case {
        const char* name;
        QString text;
        QString multiple;
        QString single;
    };
    const QString lamAlef = common::fromCp1256("\xE1\xC7");
    const Case cases[] = {
        {"Empty", QString(), QStringLiteral("NoSymbol"), QStringLiteral("NoSymbol")},
        {"Alef", common::fromCp1256("\xC7"), QStringLiteral("U0627"), QStringLiteral("U0627")},
        {"AsciiDigit", QStringLiteral("1"), QStringLiteral("U0031"), QStringLiteral("U0031")},
        {"CodePageOnlyLetterPe", common::fromCp1256("\x81"), QStringLiteral("U067E"),
         QStringLiteral("U067E")},
        {"ZeroWidthNonJoiner", common::fromCp1256("\x9D"), QStringLiteral("U200C"),
         QStringLiteral("U200C")},
        {"NoBreakSpace", common::fromCp1256("\xA0"), QStringLiteral("U00A0"),
         QStringLiteral("U00A0")},
        {"LamAlef", lamAlef, QStringLiteral("{ U0644, U0627 }"), QStringLiteral("UFEFB")},
        {"AlefFathatan", common::fromCp1256("\xC7\xF0"), QStringLiteral("{ U0627, U064B }"),
         QStringLiteral("U0627")},
        {"ThreeCharacters", common::fromCp1256("\xE1\xC7\xF0"),
         QStringLiteral("{ U0644, U0627, U064B }"), QStringLiteral("U0644")},
        {"ControlCharacterHasNoKeysym", QStringLiteral("\t"), QStringLiteral("NoSymbol"),
         QStringLiteral("NoSymbol")},
        {"ControlCharacterIsLeftOut", QStringLiteral("\x01") + common::fromCp1256("\xC8"),
         QStringLiteral("U0628"), QStringLiteral("U0628")},
        {"BeyondTheBasicPlane", QString::fromUcs4(U"\U0001F600", 1), QStringLiteral("U1F600"),
         QStringLiteral("U1F600")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keyboard::xkbLevel(c.text, XkbLevelForm::MultipleKeysyms), c.multiple) << c.name;
        EXPECT_EQ(keyboard::xkbLevel(c.text, XkbLevelForm::SingleKeysym), c.single) << c.name;
    }
}

TEST(XkbExport, FileNamesEveryKeyWithTwoLevels) {
    const QString file = QString::fromUtf8(
        keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::MultipleKeysyms));
    EXPECT_TRUE(file.contains(QStringLiteral("name[Group1] = \"Persian (Zerva 2001)\";")));
    EXPECT_TRUE(file.contains(QStringLiteral("    key <TLDE> { [ U067E, U0651 ] };\n")));
    EXPECT_TRUE(file.contains(QStringLiteral("    key <AE02> { [ U0032, { U0627, U064B } ] };\n")));
    EXPECT_TRUE(file.contains(QStringLiteral("    key <AC05> { [ U0644, { U0644, U0627 } ] };\n")));
    EXPECT_TRUE(file.contains(QStringLiteral("    key <SPCE> { [ U0020, U200C ] };\n")));
    EXPECT_EQ(file.count(QStringLiteral("    key <")), keyboard::kXkbKeyCount);

    keyboard::XkbKeyTexts empty;
    const QString blank = QString::fromUtf8(keyboard::exportXkbSymbols(
        empty, XkbLevelForm::SingleKeysym, QStringLiteral("A \"quoted\" name")));
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
              QStringLiteral("key <AC05> { [ U0644, { U0644, U0627 } ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AE02")),
              QStringLiteral("key <AE02> { [ 2, { U0627, U064B } ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("BKSL")),
              QStringLiteral("key <BKSL> { [ Arabic_jeh, nobreakspace ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("SPCE")),
              QStringLiteral("key <SPCE> { [ space, U200C ] };"));
}

TEST(XkbExport, SingleKeysymFormCompilesWithTheLigature) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    const ToolOutput compiled =
        compileLayout(dir, keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::SingleKeysym));
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err.toStdString();
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AC05")),
              QStringLiteral("key <AC05> { [ U0644, UFEFB ] };"));
    EXPECT_EQ(keyLine(compiled.out, QStringLiteral("AE02")),
              QStringLiteral("key <AE02> { [ 2, U0627 ] };"));
}

// The compile check would catch a damaged file: without this, a passing compile proves little.
TEST(XkbExport, CompilerRefusesADamagedFile) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    QByteArray damaged = keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::MultipleKeysyms);
    damaged.replace("key <AC05> { [", "key <AC05> { [ [");
    EXPECT_NE(compileLayout(dir, damaged).exitCode, 0);
}

TEST(XkbExport, HowToTypeFindsCharactersOnTheirKeys) {
    REQUIRE_XKBCLI();
    QTemporaryDir dir;
    ASSERT_EQ(compileLayout(
                  dir, keyboard::exportXkbSymbols(standardTexts(), XkbLevelForm::MultipleKeysyms))
                  .exitCode,
              0);
    struct Case {
        const char* keysym;
        const char* key;
        int level;
    };
    const Case cases[] = {{"U0698", "BKSL", 1}, {"U061F", "AB10", 2}, {"U067E", "TLDE", 1},
                          {"U0651", "TLDE", 2}, {"U200C", "SPCE", 2}, {"U0644", "AC05", 1}};
    for (const Case& c : cases) {
        const ToolOutput typed = runXkbcli({QStringLiteral("how-to-type"),
                                            QStringLiteral("--layout"), keyboard::kXkbLayoutName,
                                            QStringLiteral("--keysym"), QLatin1String(c.keysym)},
                                           dir.path());
        ASSERT_EQ(typed.exitCode, 0) << c.keysym << typed.err.toStdString();
        // "51  BKSL  1  Persian (Zerva 2001)  1  [ ]": keycode, key, layout, name, level, mods.
        const QRegularExpression row(
            QStringLiteral("^\\s*\\d+\\s+%1\\s+1\\s+Persian \\(Zerva 2001\\)\\s+%2\\s+\\[")
                .arg(QLatin1String(c.key))
                .arg(c.level),
            QRegularExpression::MultilineOption);
        EXPECT_TRUE(row.match(typed.out).hasMatch()) << c.keysym << "\n" << typed.out.toStdString();
    }
}

} // namespace
