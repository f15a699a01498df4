// The atomic file writer: a temporary file beside the target, synced and renamed into place.
#include "common/atomic_file.h"

#include "common/source_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zerva::common {
namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

QString systemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// A fresh name for the temporary file: hidden, and saying what it is.
QString temporaryName(const QString& target) {
    const QFileInfo info(target);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(62)]);
    }
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() +
           QStringLiteral(".zerva-unfinished-") + suffix;
}

// The permissions the new file gets: the replaced file's, less set-user-ID and
// set-group-ID; a new file gets the usual ones under the umask.
mode_t permissionsFor(const struct stat* old) {
    if (old != nullptr) {
        return old->st_mode & 01777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool syncFolder(const QString& folder) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Some file systems cannot sync a folder (EINVAL); the rename has happened either way.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

} // namespace

AtomicFile::AtomicFile(const QString& path, Temporary temporary) : m_temporary(temporary) {
    const QFileInfo info(path);
    const QString canonical = info.isSymLink() ? info.canonicalFilePath() : QString();
    m_target = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::fail(const QString& what, int err) {
    if (!m_failed) {
        m_failed = true;
        m_error = err != 0 ? QStringLiteral("%1 %2: %3").arg(what, m_target, systemError(err))
                           : QStringLiteral("%1 %2").arg(what, m_target);
    }
    return false;
}

bool AtomicFile::open() {
    discard();
    m_failed = false;
    m_error.clear();
    struct stat old {};
    if (::stat(encoded(m_target).constData(), &old) == 0 && !S_ISREG(old.st_mode)) {
        return fail(QStringLiteral("not a regular file:"), 0);
    }
    const QString folder = QFileInfo(m_target).absolutePath();
#ifdef O_TMPFILE
    m_fd = m_temporary == Temporary::Named
               ? -1
               : ::open(encoded(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
        m_unnamed = true;
        return true;
    }
#endif
    // No unnamed temporary files here (vfat, NFS, ...): a hidden name that says what it is.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = temporaryName(m_target);
        m_fd = ::open(encoded(name).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            m_tempName = name;
            m_unnamed = false;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return fail(QStringLiteral("cannot create a temporary file beside"), errno);
}

bool AtomicFile::write(const char* data, qsizetype n) {
    if (m_fd < 0 || m_failed) {
        return fail(QStringLiteral("cannot write"), 0);
    }
    while (n > 0) {
        const ssize_t k = ::write(m_fd, data, static_cast<size_t>(n));
        if (k < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(QStringLiteral("cannot write"), errno);
        }
        if (k == 0) {
            return fail(QStringLiteral("cannot write"), ENOSPC);
        }
        data += k;
        n -= k;
        m_written += k;
    }
#if defined(SYNC_FILE_RANGE_WRITE)
    // Large files: the disk starts storing what is written while the rest is still being
    // made, so that the sync at commit has little left to wait for. Only a start: the sync
    // at commit is what makes the data safe.
    if (m_written - m_writebackFrom >= kWritebackStep) {
        ::sync_file_range(m_fd, m_writebackFrom, m_written - m_writebackFrom,
                          SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_written;
    }
#endif
    return true;
}

bool AtomicFile::commit() {
    if (m_fd < 0 || m_failed) {
        fail(QStringLiteral("cannot write"), 0);
        discard();
        return false;
    }
    const QByteArray target = encoded(m_target);
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        fail(QStringLiteral("not a regular file:"), 0);
        discard();
        return false;
    }
    if (replacing && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keeps the owner where allowed (root, or a group of one's own); fchown may refuse.
        [[maybe_unused]] const int ignored = ::fchown(m_fd, old.st_uid, old.st_gid);
    }
    if (::fchmod(m_fd, permissionsFor(replacing ? &old : nullptr)) != 0) {
        fail(QStringLiteral("cannot set the permissions of"), errno);
        discard();
        return false;
    }
    if (::fdatasync(m_fd) != 0) {
        fail(QStringLiteral("cannot sync"), errno);
        discard();
        return false;
    }
    if (m_unnamed) {
        // Give the unnamed file a hidden name first: rename is what replaces in one step.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
        bool linked = false;
        for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
            const QString name = temporaryName(m_target);
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, encoded(name).constData(),
                         AT_SYMLINK_FOLLOW) == 0) {
                m_tempName = name;
                linked = true;
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (!linked) {
            fail(QStringLiteral("cannot name the new file beside"), errno);
            discard();
            return false;
        }
    }
    if (::close(m_fd) != 0) {
        m_fd = -1;
        fail(QStringLiteral("cannot write"), errno);
        discard();
        return false;
    }
    m_fd = -1;
    if (::rename(encoded(m_tempName).constData(), target.constData()) != 0) {
        fail(QStringLiteral("cannot replace"), errno);
        discard();
        return false;
    }
    m_tempName.clear();
    if (!syncFolder(QFileInfo(m_target).absolutePath())) {
        return fail(QStringLiteral("cannot sync the folder of"), errno);
    }
    return true;
}

void AtomicFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.isEmpty()) {
        ::unlink(encoded(m_tempName).constData());
        m_tempName.clear();
    }
    m_unnamed = false;
}

WriteOutcome writeFileAtomically(const QString& path, QByteArrayView bytes) {
    AtomicFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        return {false, file.errorString()};
    }
    return {true, {}};
}

WriteOutcome copyFileAtomically(const QString& source, const QString& target) {
    SourceReader in;
    if (in.open(source) != SourceError::None) {
        return {false, QStringLiteral("cannot read %1").arg(source)};
    }
    AtomicFile out(target);
    if (!out.open()) {
        return {false, out.errorString()};
    }
    QByteArray block(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qsizetype n = in.read(block.data(), block.size());
        if (n < 0) {
            return {false, QStringLiteral("cannot read %1").arg(source)};
        }
        if (n == 0) {
            break;
        }
        if (!out.write(block.constData(), n)) {
            return {false, out.errorString()};
        }
    }
    if (!out.commit()) {
        return {false, out.errorString()};
    }
    return {true, {}};
}

} // namespace zerva::common
