// Reading users' files: special files refused before reading, changes during a read noticed.
#include "common/atomic_file.h"
#include "common/source_file.h"
#include "tests/support/full_disk.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zerva::common {
namespace {

bool put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

TEST(SourceReader, RefusesWhatIsNotARegularFile) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString toDevice = dir.filePath(QStringLiteral("random.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/urandom"), toDevice));
    QByteArray bytes;
    EXPECT_EQ(readRegularFile(fifo, &bytes), SourceError::NotRegular);
    EXPECT_EQ(readRegularFile(toDevice, &bytes), SourceError::NotRegular);
    EXPECT_EQ(readRegularFile(dir.path(), &bytes), SourceError::NotRegular);
    EXPECT_EQ(readRegularFile(dir.filePath(QStringLiteral("none")), &bytes),
              SourceError::Unreadable);
    ASSERT_TRUE(put(dir.filePath(QStringLiteral("a")), "abc"));
    EXPECT_EQ(readRegularFile(dir.filePath(QStringLiteral("a")), &bytes), SourceError::None);
    EXPECT_EQ(bytes, QByteArray("abc"));
}

TEST(SourceReader, FileTruncatedOrGrownWhileReadIsChanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    for (const bool truncate : {true, false}) {
        SCOPED_TRACE(truncate ? "truncated" : "grown");
        ASSERT_TRUE(put(path, QByteArray(10000, 'x')));
        SourceReader reader;
        ASSERT_EQ(reader.open(path), SourceError::None);
        char buffer[4096];
        ASSERT_EQ(reader.read(buffer, sizeof buffer), 4096);
        QFile other(path);
        ASSERT_TRUE(other.open(truncate ? QIODevice::ReadWrite : QIODevice::Append));
        if (truncate) {
            ASSERT_TRUE(other.resize(5000));
        } else {
            ASSERT_EQ(other.write("more"), 4);
        }
        other.close();
        qsizetype n = 0;
        while ((n = reader.read(buffer, sizeof buffer)) > 0) {
        }
        EXPECT_EQ(n, -1);
        EXPECT_EQ(reader.error(), SourceError::Changed);
    }
}

TEST(CopyFileAtomically, CopiesWholeOrLeavesTheTarget) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("s"));
    const QByteArray big(600 * 1024, 'b');
    ASSERT_TRUE(put(source, big));
    const QString copy = dir.filePath(QStringLiteral("c"));
    ASSERT_TRUE(copyFileAtomically(source, copy).ok);
    EXPECT_EQ(test::fileBytes(copy), big);

    test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    const QString target = disk.file(QStringLiteral("t"));
    ASSERT_TRUE(put(target, "OLD"));
    disk.arm(64 * 1024);
    const WriteOutcome copied = copyFileAtomically(source, target);
    disk.disarm();
    EXPECT_FALSE(copied.ok);
    EXPECT_EQ(test::fileBytes(target), QByteArray("OLD"));
    EXPECT_EQ(test::folderEntries(disk.path()), QStringList{QStringLiteral("t")});
}

} // namespace
} // namespace zerva::common
