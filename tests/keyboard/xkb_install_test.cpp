// Installing a layout through XKB: the user's symbols file, and the load into an X session.
#include "keyboard/platform/xkb_layout_installer.h"

#include "tests/support/printers.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Last: Xlib defines macros (Status, None, Bool) that would clash with the headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

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
    const Case cases[] = {
        {"NoLayouts", {}, {{z}, {QString()}}},
        {"OneLayout", {{us}, {}}, {{us, z}, {QString(), QString()}}},
        {"AlreadyThere", {{us, z}, {QString(), QString()}}, {{us, z}, {QString(), QString()}}},
        {"VariantsStayAligned",
         {{us, ir}, {QString(), pes}},
         {{us, ir, z}, {QString(), pes, QString()}}},
        {"ShortVariantListIsPadded", {{ir, us}, {pes}}, {{ir, us, z}, {pes, QString(), QString()}}},
        {"FourGroupsTakenReplacesTheLast",
         {{us, ir, QStringLiteral("de"), QStringLiteral("fr")}, {}},
         {{us, ir, QStringLiteral("de"), z}, {QString(), QString(), QString(), QString()}}},
    };
    for (const Case& c : cases) {
        const XkbLayoutList got = keyboard::withLayout(c.current, z);
        EXPECT_EQ(got.layouts, c.expected.layouts) << c.name;
        EXPECT_EQ(got.variants, c.expected.variants) << c.name;
    }
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

TEST(XkbInstall, WithoutDisplayWritesTheUsersFileOnly) {
    QTemporaryDir dir;
    keyboard::XkbInstallOptions options;
    options.symbolsDir = dir.filePath(QStringLiteral("xkb/symbols"));
    options.display.clear();
    keyboard::XkbLayoutInstaller installer(options);
    const QString path = installer.symbolsFilePath();
    EXPECT_EQ(path, options.symbolsDir + QStringLiteral("/zerva"));
    ASSERT_TRUE(test::writeFile(path, "an older, longer layout file that must not leave a tail"));

    const ReloadResult result = installer.reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::Written) << result.detail.toStdString();
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(test::readFile(path),
              keyboard::exportXkbSymbols(sampleTexts(), keyboard::XkbLevelForm::MultipleKeysyms));
    EXPECT_EQ(QDir(options.symbolsDir).entryList(QDir::Files),
              QStringList{QStringLiteral("zerva")});
}

TEST(XkbInstall, UnwritableFolderIsReportedAsFailure) {
    QTemporaryDir dir;
    keyboard::XkbInstallOptions options;
    options.symbolsDir = dir.filePath(QStringLiteral("blocked/symbols"));
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
    options.symbolsDir = dir.filePath(QStringLiteral("symbols"));
    options.display = QStringLiteral(":987"); // no server there
    options.timeoutMs = 5000;
    keyboard::XkbLayoutInstaller installer(options);
    ASSERT_TRUE(test::writeFile(installer.symbolsFilePath(), "previous layout"));

    const ReloadResult result = installer.reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::SessionLoadFailed);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(test::readFile(installer.symbolsFilePath()), QByteArray("previous layout"));
}

// The keysyms of one key in the group with the given name, as the X server holds them.
struct XKeymap {
    Display* display = nullptr;
    XkbDescPtr desc = nullptr;

    explicit XKeymap(Display* d) : display(d) {
        desc = XkbGetMap(d, XkbAllClientInfoMask, XkbUseCoreKbd);
        if (desc) {
            XkbGetNames(d, XkbKeyNamesMask | XkbGroupNamesMask, desc);
        }
    }
    ~XKeymap() {
        if (desc) {
            XkbFreeKeyboard(desc, 0, True);
        }
    }
    int keycode(const char* name) const {
        for (int kc = desc->min_key_code; kc <= desc->max_key_code; ++kc) {
            if (qstrncmp(desc->names->keys[kc].name, name, XkbKeyNameLength) == 0) {
                return kc;
            }
        }
        return -1;
    }
    int group(const QString& name) const {
        for (int g = 0; g < XkbNumKbdGroups; ++g) {
            if (desc->names->groups[g] == 0) {
                continue;
            }
            char* atom = XGetAtomName(display, desc->names->groups[g]);
            const bool same = atom && QString::fromUtf8(atom) == name;
            XFree(atom);
            if (same) {
                return g;
            }
        }
        return -1;
    }
    unsigned long keysym(const char* key, int group, int level) const {
        const int kc = keycode(key);
        if (kc < 0 || group < 0 || group >= XkbKeyNumGroups(desc, kc) ||
            level >= XkbKeyGroupWidth(desc, kc, group)) {
            return 0;
        }
        return XkbKeySymEntry(desc, kc, level, group);
    }
};

TEST(XkbInstall, LoadsIntoTheRunningXSession) {
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        GTEST_SKIP() << "no X display (set DISPLAY, e.g. to an Xvfb) for the session load";
    }
    if (!haveXTools()) {
        GTEST_SKIP() << "setxkbmap and xkbcomp (x11-xkb-utils) are not installed";
    }
    // Held open so that a server without other clients does not reset its keymap between
    // the load and the check.
    Display* x = XOpenDisplay(display.toLocal8Bit().constData());
    ASSERT_NE(x, nullptr) << "cannot open " << display.toStdString();
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved.xkb"));
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("xkbcomp"), {QStringLiteral("-w"), QStringLiteral("0"),
                                                      QStringLiteral("-xkb"), display, saved}),
        0);
    unsigned long firstGroupBefore = 0;
    {
        XKeymap before(x);
        ASSERT_NE(before.desc, nullptr);
        firstGroupBefore = before.keysym("AC05", 0, 0);
    }

    keyboard::XkbInstallOptions options;
    options.symbolsDir = dir.filePath(QStringLiteral("symbols"));
    options.display = display;
    const ReloadResult result = keyboard::XkbLayoutInstaller(options).reload(sampleTexts());
    EXPECT_EQ(result.status, ReloadResult::Loaded) << result.detail.toStdString();

    {
        XKeymap after(x);
        ASSERT_NE(after.desc, nullptr);
        const int ours = after.group(keyboard::kXkbGroupName);
        ASSERT_GE(ours, 0) << "the layout is not among the session's groups";
        EXPECT_EQ(after.keysym("AC05", ours, 0), 0x1000644ul);
        EXPECT_EQ(after.keysym("AC05", ours, 1), 0x100FEFBul); // the ligature under X
        EXPECT_EQ(after.keysym("BKSL", ours, 0), 0x1000698ul);
        if (ours != 0) {
            EXPECT_EQ(after.keysym("AC05", 0, 0), firstGroupBefore) << "the user's layout is kept";
        }
    }
    EXPECT_TRUE(QFile::exists(options.symbolsDir + QStringLiteral("/zerva")));

    QProcess::execute(QStringLiteral("xkbcomp"),
                      {QStringLiteral("-w"), QStringLiteral("0"), saved, display});
    XCloseDisplay(x);
}

} // namespace
