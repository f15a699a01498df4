// The zerva-layout tool, run as a program: its JSON dump, exit codes and written files.
#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "tests/support/test_paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

using namespace zerva::keyboard;
using namespace zerva::keyboard::test;
using zerva::test::binDir;
using zerva::test::readFile;
using zerva::test::writeFile;

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& args, const QProcessEnvironment& env = {}) {
    QProcess p;
    if (!env.isEmpty()) {
        p.setProcessEnvironment(env);
    }
    p.start(binDir() + QStringLiteral("/zerva-layout"), args);
    ToolRun r;
    if (!p.waitForFinished(30000)) {
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

TEST(ZervaLayoutTool, DumpOfTheStandardLayout) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("std.kbd"));
    ASSERT_EQ(runTool({QStringLiteral("standard"), path}).exitCode, 0);
    EXPECT_EQ(readFile(path), standardLayoutImage());

    const ToolRun r = runTool({QStringLiteral("dump"), path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("{\"keymap\":[6,"));
    EXPECT_EQ(r.out.count('\n'), 1);
    // Keys come in a fixed order, so the output is stable text.
    const qsizetype order[] = {r.out.indexOf("\"keymap\""),   r.out.indexOf("\"runtime\""),
                               r.out.indexOf("\"used\""),     r.out.indexOf("\"extraChars\""),
                               r.out.indexOf("\"messages\""), r.out.indexOf("\"read\"")};
    EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));

    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    const QJsonArray keymap = o[QStringLiteral("keymap")].toArray();
    ASSERT_EQ(keymap.size(), 96);
    EXPECT_EQ(keymap[50].toInt(), 104);
    EXPECT_EQ(keymap[78].toInt(), 102);
    const QJsonArray runtime = o[QStringLiteral("runtime")].toArray();
    ASSERT_EQ(runtime.size(), 1);
    const QJsonObject e = runtime[0].toObject();
    EXPECT_EQ(e[QStringLiteral("index")].toInt(), 104);
    EXPECT_EQ(e[QStringLiteral("code")].toInt(), 199);
    EXPECT_EQ(e[QStringLiteral("caption")].toString(),
              zerva::common::fromCp1256(QByteArray("\xC7\xF0")));
    EXPECT_EQ(e[QStringLiteral("tip")].toString(), tipPrefix() + QStringLiteral("199 240 "));
    const QJsonArray used = o[QStringLiteral("used")].toArray();
    EXPECT_TRUE(used.contains(102));
    EXPECT_FALSE(used.contains(54)); // '%' is on no key
    EXPECT_EQ(o[QStringLiteral("extraChars")].toArray().size(), 1);
    EXPECT_TRUE(o[QStringLiteral("messages")].toArray().isEmpty());
    EXPECT_TRUE(o[QStringLiteral("read")].toBool());
}

TEST(ZervaLayoutTool, DumpReportsTheQuestionAndTheAnswer) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odd.kbd"));
    QByteArray odd = standardLayoutImage();
    odd[20] = 1;
    ASSERT_TRUE(writeFile(path, odd));

    const ToolRun no = runTool({QStringLiteral("dump"), path});
    const QJsonObject o = QJsonDocument::fromJson(no.out).object();
    EXPECT_FALSE(o[QStringLiteral("read")].toBool());
    EXPECT_EQ(o[QStringLiteral("messages")].toArray().size(), 1);
    EXPECT_EQ(o[QStringLiteral("keymap")].toArray()[0].toInt(), kEmptyEntry);
    EXPECT_FALSE(no.err.isEmpty()); // the prompt

    const ToolRun yes =
        runTool({QStringLiteral("dump"), path, QStringLiteral("--answer"), QStringLiteral("yes")});
    EXPECT_TRUE(QJsonDocument::fromJson(yes.out).object()[QStringLiteral("read")].toBool());
}

TEST(ZervaLayoutTool, CopyExitCodes) {
    QTemporaryDir dir;
    const QString std = dir.filePath(QStringLiteral("std.kbd"));
    const QString odd = dir.filePath(QStringLiteral("odd.kbd"));
    const QString shortFile = dir.filePath(QStringLiteral("short.kbd"));
    const QString out = dir.filePath(QStringLiteral("out.kbd"));
    QByteArray oddBytes = plainStandardFile();
    oddBytes[3] = 9;
    ASSERT_TRUE(writeFile(std, standardLayoutImage()));
    ASSERT_TRUE(writeFile(odd, oddBytes));
    ASSERT_TRUE(writeFile(shortFile, QByteArray(10, 'x')));
    const QString yes[] = {QStringLiteral("--answer"), QStringLiteral("yes")};

    struct Case {
        const char* name;
        QStringList args;
        int exitCode;
        bool written;
    };
    const Case cases[] = {
        {"standard", {QStringLiteral("copy"), std, out}, 0, true},
        {"refused", {QStringLiteral("copy"), shortFile, out}, 1, false},
        {"answeredNo", {QStringLiteral("copy"), odd, out}, 1, false},
        {"answeredYes", {QStringLiteral("copy"), odd, out, yes[0], yes[1]}, 0, true},
        {"cannotWrite",
         {QStringLiteral("copy"), std, dir.filePath(QStringLiteral("a/b/c"))},
         3,
         false},
        {"missingOutput", {QStringLiteral("copy"), std}, 2, false},
        {"badAnswer",
         {QStringLiteral("copy"), std, out, yes[0], QStringLiteral("maybe")},
         2,
         false},
        {"unknownCommand", {QStringLiteral("frobnicate")}, 2, false},
    };
    for (const Case& c : cases) {
        QFile::remove(out);
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << r.err.toStdString();
        EXPECT_EQ(QFile::exists(out), c.written) << c.name;
    }
    // The copy of a file with a foreign header is written with the standard one.
    runTool({QStringLiteral("copy"), odd, out, yes[0], yes[1]});
    EXPECT_EQ(readFile(out), plainStandardFile());
}

// install: what Apply does, in a home of the test's own; without a display only files change.
TEST(ZervaLayoutTool, InstallWritesTheSystemFileAndTheUsersLayoutOrNothing) {
    QTemporaryDir dir;
    const QString std = dir.filePath(QStringLiteral("std.kbd"));
    ASSERT_TRUE(writeFile(std, standardLayoutImage()));
    const QString home = dir.filePath(QStringLiteral("home"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("Windir"), home + QStringLiteral("/windows"));
    env.remove(QStringLiteral("XCOMPOSEFILE"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("DISPLAY"));
    const QString systemFile = home + QStringLiteral("/windows/System/KBDA1.KBD");
    const QString symbols = home + QStringLiteral("/.config/xkb/symbols/zerva");

    ToolRun r = runTool({QStringLiteral("install"), std}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(systemFile), standardLayoutImage());
    EXPECT_TRUE(
        readFile(symbols).contains("key <AC05> { [ Arabic_lam, { Arabic_lam, Arabic_alef } ] };"));
    EXPECT_TRUE(QFile::exists(home + QStringLiteral("/.XCompose")));
    EXPECT_TRUE(QFile::exists(home + QStringLiteral("/.config/xkb/rules/evdev.xml")));

    r = runTool({QStringLiteral("install"), dir.filePath(QStringLiteral("missing.kbd"))}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(runTool({QStringLiteral("install")}, env).exitCode, 2);

    // An X server that is not there: the system's file and the user's files stay as they were.
    QByteArray other = standardLayoutImage();
    other[kBasePlaneOffset] = '#';
    const QString otherFile = dir.filePath(QStringLiteral("other.kbd"));
    ASSERT_TRUE(writeFile(otherFile, other));
    const QByteArray symbolsBefore = readFile(symbols);
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987"));
    r = runTool({QStringLiteral("install"), otherFile}, env);
    EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.err).startsWith(QStringLiteral("خطا در نصب صفحه كليد")));
    EXPECT_EQ(readFile(systemFile), standardLayoutImage());
    EXPECT_EQ(readFile(symbols), symbolsBefore);

    // A system folder that cannot be made: nothing is installed.
    env.remove(QStringLiteral("DISPLAY"));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("blocked")), "a file, not a folder"));
    env.insert(QStringLiteral("Windir"), dir.filePath(QStringLiteral("blocked")));
    r = runTool({QStringLiteral("install"), otherFile}, env);
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(readFile(symbols), symbolsBefore);
}

TEST(ZervaLayoutTool, ExportWritesEachFormatWithTheExitCodesOfCopy) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("std.kbd"));
    const QString shortFile = dir.filePath(QStringLiteral("short.kbd"));
    ASSERT_TRUE(writeFile(in, standardLayoutImage()));
    ASSERT_TRUE(writeFile(shortFile, QByteArray(10, 'x')));
    struct Format {
        const char* option;
        QByteArray start; // how the written file begins
    };
    const Format formats[] = {
        {"--xkb", "// Persian keyboard layout"},
        {"--klc", QByteArray("\xFF\xFEK\0B\0D\0", 8)},
        {"--keylayout", "<?xml version=\"1.0\""},
        {"--pdf", "%PDF-"},
        {"--svg", "<?xml"},
        {"--png", "\x89PNG"},
    };
    for (const Format& f : formats) {
        const QString out = dir.filePath(QStringLiteral("out") + QLatin1String(f.option));
        const ToolRun r = runTool({QStringLiteral("export"), QLatin1String(f.option), in, out});
        EXPECT_EQ(r.exitCode, 0) << f.option << r.err.toStdString();
        EXPECT_TRUE(readFile(out).startsWith(f.start)) << f.option;
    }
    const QString out = dir.filePath(QStringLiteral("x.klc"));
    struct Case {
        const char* name;
        QStringList args;
        int exitCode;
    };
    const Case cases[] = {
        {"refused", {QStringLiteral("export"), QStringLiteral("--klc"), shortFile, out}, 1},
        {"cannotWrite",
         {QStringLiteral("export"), QStringLiteral("--klc"), in,
          dir.filePath(QStringLiteral("a/b"))},
         3},
        {"noFormat", {QStringLiteral("export"), in, out}, 2},
        {"twoFormats",
         {QStringLiteral("export"), QStringLiteral("--klc"), QStringLiteral("--xkb"), in, out},
         2},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name;
        EXPECT_FALSE(QFile::exists(out)) << c.name;
    }
    // The failed write says so in Persian.
    const ToolRun failed = runTool({QStringLiteral("export"), QStringLiteral("--png"), in,
                                    dir.filePath(QStringLiteral("a/b"))});
    EXPECT_TRUE(QString::fromUtf8(failed.err).contains(QStringLiteral("ذخيره")));
}

TEST(ZervaLayoutTool, ImportWritesTheSystemLayoutAndReportsWhatItCouldNotHold) {
    if (!QFile::exists(QStringLiteral("/usr/share/X11/xkb/symbols/ir"))) {
        GTEST_SKIP() << "the system has no XKB Persian layout (xkb-data)";
    }
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("ir.kbd"));
    const ToolRun r = runTool({QStringLiteral("import"), QStringLiteral("ir"), out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("U+0654"))); // hamza above
    const ToolRun dump = runTool({QStringLiteral("dump"), out});
    const QJsonObject o = QJsonDocument::fromJson(dump.out).object();
    EXPECT_TRUE(o[QStringLiteral("read")].toBool());
    EXPECT_TRUE(o[QStringLiteral("messages")].toArray().isEmpty());
    EXPECT_EQ(o[QStringLiteral("keymap")].toArray()[31].toInt(), 0); // H: alef, entry 0

    EXPECT_EQ(runTool({QStringLiteral("import"), QStringLiteral("no_such_layout"), out}).exitCode,
              1);
    EXPECT_EQ(runTool({QStringLiteral("import"), QStringLiteral("ir("), out}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("import"), QStringLiteral("ir"),
                       dir.filePath(QStringLiteral("a/b.kbd"))})
                  .exitCode,
              3);
}
