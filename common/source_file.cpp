// Reading a user's file: regular files only, changes during the read noticed.
#include "common/source_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zerva::common {

SourceReader::~SourceReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

SourceError SourceReader::open(const QString& path) {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_read = 0;
    m_error = SourceError::None;
    const QByteArray name = QFile::encodeName(path);
    // A device is not even opened: opening some has effects of its own.
    struct stat first {};
    if (::stat(name.constData(), &first) == 0 && !S_ISREG(first.st_mode)) {
        return m_error = SourceError::NotRegular;
    }
    // Non-blocking, so that opening a FIFO without a writer does not wait; the check on the
    // open descriptor leaves no gap for the name to be swapped.
    m_fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        return m_error = errno == ENXIO ? SourceError::NotRegular : SourceError::Unreadable;
    }
    if (::fstat(m_fd, &m_opened) != 0) {
        return m_error = SourceError::Unreadable;
    }
    if (!S_ISREG(m_opened.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        return m_error = SourceError::NotRegular;
    }
    const int flags = ::fcntl(m_fd, F_GETFL);
    ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
    m_size = m_opened.st_size;
    return SourceError::None;
}

qsizetype SourceReader::read(char* data, qsizetype max) {
    if (m_fd < 0 || m_error != SourceError::None) {
        if (m_error == SourceError::None) {
            m_error = SourceError::Unreadable;
        }
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, data, static_cast<size_t>(max));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            m_error = SourceError::Unreadable;
            return -1;
        }
        m_read += n;
        if (n > 0 || max == 0) {
            return n;
        }
        break;
    }
    struct stat now {};
    if (::fstat(m_fd, &now) != 0 || now.st_size != m_opened.st_size ||
        now.st_mtim.tv_sec != m_opened.st_mtim.tv_sec ||
        now.st_mtim.tv_nsec != m_opened.st_mtim.tv_nsec || m_read != m_size) {
        m_error = SourceError::Changed;
        return -1;
    }
    return 0;
}

SourceError readRegularFile(const QString& path, QByteArray* bytes) {
    SourceReader reader;
    if (const SourceError e = reader.open(path); e != SourceError::None) {
        return e;
    }
    QByteArray data;
    data.resize(static_cast<qsizetype>(reader.size()));
    qsizetype got = 0;
    for (;;) {
        if (got == data.size()) {
            data.resize(got + 64 * 1024); // the file grew; the reader will say so
        }
        const qsizetype n = reader.read(data.data() + got, data.size() - got);
        if (n < 0) {
            return reader.error();
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    data.resize(got);
    *bytes = std::move(data);
    return SourceError::None;
}

} // namespace zerva::common
