// The full-disk folder: a filled tmpfs for root, a file size limit of nothing otherwise.
#include "tests/support/full_disk.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace zerva::test {

FullDisk::FullDisk() {
    if (!m_dir.isValid()) {
        return;
    }
    m_folder = m_dir.path() + QStringLiteral("/disk");
    if (!QDir().mkpath(m_folder)) {
        return;
    }
    if (::geteuid() == 0 &&
        ::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", 0, "size=256k") == 0) {
        m_mounted = true;
    }
    m_ok = true;
}

FullDisk::~FullDisk() {
    disarm();
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
}

void FullDisk::arm(qint64 room) {
    if (m_armed) {
        return;
    }
    m_armed = true;
    if (m_mounted) {
        const QByteArray name = QFile::encodeName(file(QStringLiteral(".filler")));
        const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        if (fd >= 0) {
            const QByteArray block(4096, '\0');
            while (::write(fd, block.constData(), 4096) > 0) {
            }
            // Whatever the last page can still take.
            while (::write(fd, "x", 1) == 1) {
            }
            // Then give back the room asked for.
            const off_t size = ::lseek(fd, 0, SEEK_END);
            if (room > 0 && ::ftruncate(fd, std::max<off_t>(0, size - room)) != 0) {
                room = 0;
            }
            ::close(fd);
        }
        return;
    }
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_savedLimit);
    struct rlimit none = m_savedLimit;
    none.rlim_cur = static_cast<rlim_t>(room);
    ::setrlimit(RLIMIT_FSIZE, &none);
}

void FullDisk::disarm() {
    if (!m_armed) {
        return;
    }
    m_armed = false;
    if (m_mounted) {
        QFile::remove(file(QStringLiteral(".filler")));
        return;
    }
    ::setrlimit(RLIMIT_FSIZE, &m_savedLimit);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

QStringList folderEntries(const QString& folder) {
    QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeAll(QStringLiteral(".filler"));
    return names;
}

} // namespace zerva::test
