// A folder where writing fails as on a full disk, for the tests of every writer: a small
// tmpfs filled to the last byte when the tests run as root, otherwise an ordinary temporary
// folder with the process's file size limit set to nothing (writes fail with EFBIG, and the
// limit is inherited by the tools a test starts). Put the old files in place first, then
// arm(); disarm() (or the destructor) makes writing possible again. With some room left, a
// small file still goes through and a large one fails midway.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace zerva::test {

class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool ok() const { return m_ok; }
    QString path() const { return m_folder; }
    QString file(const QString& name) const { return m_folder + QLatin1Char('/') + name; }
    // True when the folder is a real file system with no room left once armed.
    bool isTmpfs() const { return m_mounted; }

    // Leaves about room bytes that can still be written (0: none at all).
    void arm(qint64 room = 0);
    void disarm();

private:
    QTemporaryDir m_dir;
    QString m_folder;
    bool m_ok = false;
    bool m_mounted = false;
    bool m_armed = false;
    struct rlimit m_savedLimit {};
};

// Bytes of a file, or a null array when it cannot be read.
QByteArray fileBytes(const QString& path);
// Names of the files in a folder, hidden ones included.
QStringList folderEntries(const QString& folder);

} // namespace zerva::test
