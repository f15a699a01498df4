// The layout writers on a full disk (the installer's files have tests of their own): the old
// file stays byte for byte, the failure is reported, and nothing is left beside it. Also: a
// FIFO is never read as a layout.
#include "keyboard/layout_file.h"
#include "keyboard/standard_layout.h"
#include "keyboard/windir.h"

#include "tests/support/fake_messenger.h"
#include "tests/support/full_disk.h"
#include "tests/support/test_paths.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace zerva;
using test::fileBytes;
using test::folderEntries;

namespace {

int runLayoutTool(const QStringList& args) {
    QProcess p;
    p.start(test::binDir() + QStringLiteral("/zerva-layout"), args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(KeyboardWritersOnAFullDisk, ToolKeepsTheOldFileAndExitsWithTheWriteCode) {
    QTemporaryDir dir;
    const QString standard = dir.filePath(QStringLiteral("std.kbd"));
    ASSERT_EQ(runLayoutTool({QStringLiteral("standard"), standard}), 0);

    test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    const QString out = disk.file(QStringLiteral("o.kbd"));
    ASSERT_TRUE(test::writeFile(out, "OLD\n"));
    disk.arm();
    const int copied = runLayoutTool({QStringLiteral("copy"), standard, out});
    const int written = runLayoutTool({QStringLiteral("standard"), out});
    disk.disarm();
    EXPECT_EQ(copied, 3);
    EXPECT_EQ(written, 3);
    EXPECT_EQ(fileBytes(out), QByteArray("OLD\n"));
    EXPECT_EQ(folderEntries(disk.path()), QStringList{QStringLiteral("o.kbd")});
}

TEST(KeyboardWritersOnAFullDisk, LayoutFileAndSeedFail) {
    test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    const QString layout = disk.file(QStringLiteral("mine.kbd"));
    ASSERT_TRUE(test::writeFile(layout, "OLD"));

    disk.arm();
    keyboard::LayoutModel model;
    const keyboard::WriteResult saved = keyboard::WriteLayoutFile(model, layout);
    const keyboard::SeedResult seeded = keyboard::seedLayoutFile(
        disk.file(QStringLiteral("KBDA1.KBD")), keyboard::standardLayoutImage());
    disk.disarm();

    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(saved.error.isEmpty());
    EXPECT_EQ(seeded, keyboard::SeedResult::Failed);
    EXPECT_EQ(fileBytes(layout), QByteArray("OLD"));
    EXPECT_EQ(folderEntries(disk.path()), QStringList{QStringLiteral("mine.kbd")});
}

TEST(LayoutReader, RefusesAFifoWithoutWaiting) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.kbd"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    keyboard::LayoutModel model;
    test::FakeMessenger messenger;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(keyboard::ReadLayoutFile(model, fifo, messenger), keyboard::ReadOutcome::Refused);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(messenger.prompts().size(), 1);
}

} // namespace
