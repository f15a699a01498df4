// Installing a layout through XKB: the user's symbols file, and the load into an X session.
#include "keyboard/platform/xkb_layout_installer.h"
#include "keyboard/xkb_user_files.h"

#include "tests/support/full_disk.h"
#include "tests/support/printers.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva;
using keyboard::ReloadResult;
using keyboard::XkbLayoutList;

namespace {

keyboard::XkbKeyTexts sampleTexts() {
    keyboard::XkbKeyTexts texts;
    texts[25] = QString(QChar(0x0698));                               // <BKSL>: zhe
    texts[30] = QString(QChar(0x0644));                               // <AC05>: lam
    texts[48 + 30] = QString(QChar(0x0644)) + QString(QChar(0x0627)); // shift: lam alef
    return texts;
}

bool haveXTools() {
    return !QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("xkbcomp")).isEmpty();
}

XkbLayoutList groups(QStringList layouts, QStringList variants) {
    XkbLayoutList list;
    list.layouts = std::move(layouts);
    list.variants = std::move(variants);
    return list;
}

TEST(XkbLayoutList, OursIsAddedWithoutLosingTheUsersLayouts) {
    const QString z = keyboard::kXkbLayoutName;
    struct Case {
        const char* name;
        XkbLayoutList current;
        XkbLayoutList expected;
    };
    const QString us = QStringLiteral("us");
    const QString ir = QStringLiteral("ir");
    const QString pes = QStringLiteral("pes");
    const QString none;
    const Case cases[] = {
        {"NoLayouts", {}, groups({z}, {none})},
        {"OneLayout", groups({us}, {}), groups({us, z}, {none, none})},
        {"AlreadyThere", groups({us, z}, {none, none}), groups({us, z}, {none, none})},
        {"VariantsStayAligned", groups({us, ir}, {none, pes}),
         groups({us, ir, z}, {none, pes, none})},
        {"ShortVariantListIsPadded", groups({ir, us}, {pes}),
         groups({ir, us, z}, {pes, none, none})},
        {"FourGroupsTakenReplacesTheLast",
         groups({us, ir, QStringLiteral("de"), QStringLiteral("fr")}, {}),
         groups({us, ir, QStringLiteral("de"), z}, {none, none, none, none})},
    };
    for (const Case& c : cases) {
        const XkbLayoutList got = keyboard::withLayout(c.current, z);
        EXPECT_EQ(got.layouts, c.expected.layouts) << c.name;
        EXPECT_EQ(got.variants, c.expected.variants) << c.name;
    }
}

TEST(XkbLayoutList, QueryIsReadAndTheUsersGroupSwitchIsKept) {
    const XkbLayoutList q =
        keyboard::parseXkbQuery("rules:      evdev\n"
                                "model:      pc105\n"
                                "layout:     us,ir\n"
                                "variant:    ,pes\n"
                                "options:    ctrl:nocaps,grp:win_space_toggle\n");
    EXPECT_EQ(q.rules, QStringLiteral("evdev"));
    EXPECT_EQ(q.model, QStringLiteral("pc105"));
    EXPECT_EQ(q.layouts, (QStringList{QStringLiteral("us"), QStringLiteral("ir")}));
    EXPECT_EQ(q.variants, (QStringList{QString(), QStringLiteral("pes")}));
    EXPECT_EQ(keyboard::withGroupSwitch(q.options, keyboard::kDefaultGroupSwitch), q.options);

    const QStringList noSwitch{QStringLiteral("ctrl:nocaps"), QStringLiteral("grp_led:scroll")};
    EXPECT_EQ(keyboard::withGroupSwitch(noSwitch, keyboard::kDefaultGroupSwitch),
              noSwitch + QStringList{QStringLiteral("grp:alt_shift_toggle")});
    EXPECT_TRUE(keyboard::parseXkbQuery("layout: us\n").options.isEmpty());
}

TEST(XkbInstall, SymbolsFolderFollowsXdgConfigHome) {
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    const bool had = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/srv/conf");
    EXPECT_EQ(keyboard::userXkbSymbolsDir(), QStringLiteral("/srv/conf/xkb/symbols"));
    qputenv("XDG_CONFIG_HOME", "relative/conf"); // not absolute: ignored, as libxkbcommon does
    EXPECT_EQ(keyboard::userXkbSymbolsDir(),
              QDir::homePath() + QStringLiteral("/.config/xkb/symbols"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(keyboard::userXkbSymbolsDir(),
              QDir::homePath() + QStringLiteral("/.config/xkb/symbols"));
    if (had) {
        qputenv("XDG_CONFIG_HOME", old);
    }
}

TEST(XkbInstall, NoXLoadInAWaylandSessionAndComposeFileFollowsXComposeFile) {
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray compose = qgetenv("XCOMPOSEFILE");
    qputenv("DISPLAY", ":5");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(keyboard::defaultXDisplay().isEmpty());
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(keyboard::defaultXDisplay(), QStringLiteral(":5"));
    qputenv("XCOMPOSEFILE", "/srv/compose");
    EXPECT_EQ(keyboard::userComposeFile(), QStringLiteral("/srv/compose"));
    qunsetenv("XCOMPOSEFILE");
    EXPECT_EQ(keyboard::userComposeFile(), QDir::homePath() + QStringLiteral("/.XCompose"));
    for (const auto& [name, value] :
         {std::pair{"DISPLAY", display}, std::pair{"WAYLAND_DISPLAY", wayland},
          std::pair{"XCOMPOSEFILE", compose}}) {
        if (value.isEmpty()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
}

TEST(XkbInstall, WithoutDisplayWritesTheUsersFileOnly) {
    QTemporaryDir dir;
    keyboard::XkbInstallOptions options;
    options.configDir = dir.filePath(QStringLiteral("xkb"));
    options.composeFile = dir.filePath(QStringLiteral("XCompose"));
    options.display.clear();
    keyboard::XkbLayoutInstaller installer(options);
    const QString path = installer.symbolsFilePath();
    EXPECT_EQ(path, options.configDir + QStringLiteral("/symbols/zerva"));
    ASSERT_TRUE(test::writeFile(path, "an older, longer layout file that must not leave a tail"));

    const ReloadResult result = installer.reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::Written) << result.detail.toStdString();
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(test::readFile(path),
              keyboard::exportXkbSymbols(sampleTexts(), keyboard::XkbLevelForm::MultipleKeysyms));
    EXPECT_EQ(QDir(options.configDir + QStringLiteral("/symbols")).entryList(QDir::Files),
              QStringList{QStringLiteral("zerva")});
    EXPECT_EQ(test::readFile(installer.rulesFilePath()), keyboard::xkbUserRules());
    EXPECT_TRUE(test::readFile(installer.rulesXmlFilePath())
                    .contains("<description>Persian (Zerva 2001)</description>"));
    EXPECT_TRUE(test::readFile(options.composeFile).contains("<UF5A4E> : \"\xD9\x84\xD8\xA7\""));
}

TEST(XkbInstall, UnwritableFolderIsReportedAsFailure) {
    QTemporaryDir dir;
    keyboard::XkbInstallOptions options;
    options.configDir = dir.filePath(QStringLiteral("blocked/xkb"));
    options.composeFile = dir.filePath(QStringLiteral("XCompose"));
    options.display.clear();
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("blocked")), "a file, not a folder"));
    const ReloadResult result = keyboard::XkbLayoutInstaller(options).reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::WriteFailed);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.detail.isEmpty());
}

TEST(XkbInstall, FailedSessionLoadKeepsTheOldFile) {
    if (!haveXTools()) {
        GTEST_SKIP() << "setxkbmap and xkbcomp (x11-xkb-utils) are not installed";
    }
    QTemporaryDir dir;
    keyboard::XkbInstallOptions options;
    options.configDir = dir.filePath(QStringLiteral("xkb"));
    options.composeFile = dir.filePath(QStringLiteral("XCompose"));
    options.display = QStringLiteral(":987"); // no server there
    options.timeoutMs = 5000;
    keyboard::XkbLayoutInstaller installer(options);
    ASSERT_TRUE(test::writeFile(installer.symbolsFilePath(), "previous layout"));

    const ReloadResult result = installer.reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::SessionLoadFailed);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(test::readFile(installer.symbolsFilePath()), QByteArray("previous layout"));
    EXPECT_FALSE(QFile::exists(options.composeFile));
    EXPECT_FALSE(QFile::exists(installer.rulesFilePath()));
}

} // namespace

namespace {

// The user's files are theirs: the program's part is added or replaced, nothing else changes.
TEST(XkbUserFiles, ComposeFileKeepsTheUsersLinesAndReplacesItsOwnBlock) {
    const QByteArray lamAlef = "<UF5A4E> : \"\xD9\x84\xD8\xA7\"   # key <AC05>, Shift\n";
    const auto created = keyboard::composeFileWithSequences(std::nullopt, lamAlef);
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->startsWith("include \"%L\"\n"));
    EXPECT_TRUE(created->contains(lamAlef));
    EXPECT_FALSE(keyboard::composeFileWithSequences(std::nullopt, {}))
        << "no file is made for a layout without keys of two characters";

    const QByteArray users = "<Multi_key> <e> <e> : \"\xC9\x99\""; // no final line end
    const auto extended = keyboard::composeFileWithSequences(users, lamAlef);
    ASSERT_TRUE(extended);
    EXPECT_TRUE(extended->startsWith(users + "\n"));
    EXPECT_FALSE(extended->contains("include")) << "the user's choice about %L is kept";

    const QByteArray other = "<UF5A32> : \"x\"\n";
    const auto replaced =
        keyboard::composeFileWithSequences(*extended + "<a> <b> : \"c\"\n", other);
    ASSERT_TRUE(replaced);
    EXPECT_FALSE(replaced->contains(lamAlef));
    EXPECT_EQ(replaced->count(other), 1);
    EXPECT_TRUE(replaced->startsWith(users + "\n"));
    EXPECT_TRUE(replaced->endsWith("<a> <b> : \"c\"\n"));
    EXPECT_FALSE(keyboard::composeFileWithSequences(*replaced, other)) << "unchanged: no write";

    const auto emptied = keyboard::composeFileWithSequences(*replaced, {});
    ASSERT_TRUE(emptied);
    EXPECT_FALSE(emptied->contains("Zerva"));
    EXPECT_TRUE(emptied->contains(users));
}

TEST(XkbUserFiles, RegistryGetsTheLayoutOnceAndOnlyWhereItFits) {
    const QString name = keyboard::kXkbLayoutName;
    const QString description = keyboard::kXkbGroupName;
    const auto fresh = keyboard::xkbRulesXmlWithLayout(std::nullopt, name, description);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->contains("<name>zerva</name>"));
    EXPECT_FALSE(keyboard::xkbRulesXmlWithLayout(*fresh, name, description)) << "already there";

    const QByteArray users = "<?xml version=\"1.0\"?>\n<xkbConfigRegistry version=\"1.1\">\n"
                             "  <layoutList>\n    <layout><configItem><name>mine</name>"
                             "</configItem></layout>\n  </layoutList>\n</xkbConfigRegistry>\n";
    const auto added = keyboard::xkbRulesXmlWithLayout(users, name, description);
    ASSERT_TRUE(added);
    EXPECT_TRUE(added->contains("<name>mine</name>"));
    EXPECT_LT(added->indexOf("<name>mine</name>"), added->indexOf("<name>zerva</name>"));
    EXPECT_LT(added->indexOf("<name>zerva</name>"), added->indexOf("</layoutList>"));

    const QByteArray optionsOnly = "<xkbConfigRegistry>\n  <optionList/>\n</xkbConfigRegistry>\n";
    const auto withList = keyboard::xkbRulesXmlWithLayout(optionsOnly, name, description);
    ASSERT_TRUE(withList);
    EXPECT_TRUE(withList->contains("<layoutList>"));
    EXPECT_FALSE(keyboard::xkbRulesXmlWithLayout("not a registry", name, description));
}

// On a full disk nothing of the user's is lost: every old file stays byte for byte.
TEST(XkbInstall, FullDiskKeepsEveryOldFile) {
    test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    keyboard::XkbInstallOptions options;
    options.configDir = disk.file(QStringLiteral("xkb"));
    options.composeFile = disk.file(QStringLiteral("XCompose"));
    options.display.clear();
    keyboard::XkbLayoutInstaller installer(options);
    const QByteArray oldCompose = "<Multi_key> <a> <a> : \"\xC3\xA5\"\n";
    ASSERT_TRUE(test::writeFile(installer.symbolsFilePath(), "previous layout"));
    ASSERT_TRUE(test::writeFile(options.composeFile, oldCompose));
    disk.arm();

    const ReloadResult result = installer.reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::WriteFailed);
    disk.disarm();
    EXPECT_EQ(test::readFile(installer.symbolsFilePath()), QByteArray("previous layout"));
    EXPECT_EQ(test::readFile(options.composeFile), oldCompose);
    EXPECT_FALSE(QFile::exists(installer.rulesXmlFilePath()));
}

} // namespace
