// The atomic writer: a failed write leaves the old file byte for byte and says so; a good one
// replaces it with the old permissions less set-user-ID/set-group-ID, through symbolic links.
#include "common/atomic_file.h"
#include "tests/support/full_disk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zerva::common {
namespace {

using test::fileBytes;
using test::folderEntries;

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

TEST(AtomicFile, FullDiskKeepsOldFileAndReportsFailure) {
    test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    const QString target = disk.file(QStringLiteral("o.kbd"));
    put(target, "OLD\n");
    disk.arm();
    const QByteArray big(64 * 1024, 'n');
    const WriteOutcome small = writeFileAtomically(target, "NEW");
    const WriteOutcome large = writeFileAtomically(target, big);
    const WriteOutcome fresh = writeFileAtomically(disk.file(QStringLiteral("new.txt")), big);
    disk.disarm();
    EXPECT_FALSE(small.ok);
    EXPECT_FALSE(large.ok);
    EXPECT_FALSE(fresh.ok);
    EXPECT_FALSE(large.error.isEmpty());
    EXPECT_EQ(fileBytes(target), QByteArray("OLD\n"));
    // Nothing left behind: no partial new file, no temporary file.
    EXPECT_EQ(folderEntries(disk.path()), QStringList{QStringLiteral("o.kbd")});
}

TEST(AtomicFile, ReplacesKeepingPermissionsWithoutSetIdBits) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("f.txt"));
    put(target, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 06750), 0);
    ASSERT_TRUE(writeFileAtomically(target, "new").ok);
    EXPECT_EQ(fileBytes(target), QByteArray("new"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("f.txt")});
}

TEST(AtomicFile, WritesThroughSymbolicLinkAndRefusesSpecialTargets) {
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.txt"));
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    put(real, "old");
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(writeFileAtomically(link, "new").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(fileBytes(real), QByteArray("new"));

    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(writeFileAtomically(fifo, "x").ok);
    EXPECT_FALSE(writeFileAtomically(dir.path(), "x").ok);
}

TEST(AtomicFile, NamedTemporaryIsHiddenAndSaysWhatItIs) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("f.txt"));
    put(target, "old");
    AtomicFile file(target, AtomicFile::Temporary::Named);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write(QByteArrayView("new")));
    const QStringList during = folderEntries(dir.path());
    ASSERT_EQ(during.size(), 2);
    EXPECT_TRUE(during.front().startsWith(QStringLiteral(".f.txt.zerva-unfinished-")));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(fileBytes(target), QByteArray("new"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("f.txt")});
}

TEST(AtomicFile, UncommittedFileIsDiscarded) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("f.txt"));
    put(target, "old");
    for (const auto temporary : {AtomicFile::Temporary::Unnamed, AtomicFile::Temporary::Named}) {
        AtomicFile file(target, temporary);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write(QByteArrayView("partial")));
    }
    EXPECT_EQ(fileBytes(target), QByteArray("old"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("f.txt")});
}

} // namespace
} // namespace zerva::common
