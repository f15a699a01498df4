// Reading a user's file safely: only a regular file is opened (a FIFO or a device would block
// or never end), and a file that changes while it is read is noticed, so that a truncated or
// mixed read is never taken for the whole file.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace zerva::common {

enum class SourceError {
    None,
    Unreadable, // missing, no permission, or an error while reading
    NotRegular, // a FIFO, a device, a folder, a socket
    Changed,    // the file changed (size or modification time) while it was read
};

class SourceReader {
public:
    SourceReader() = default;
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;
    ~SourceReader();

    // Opens path for reading, refusing anything but a regular file before reading a byte.
    SourceError open(const QString& path);
    // Reads up to max bytes; 0 at the end, -1 on failure (then error() says which). Reaching
    // the end checks that the file is still as it was when opened.
    qsizetype read(char* data, qsizetype max);
    SourceError error() const { return m_error; }
    qint64 size() const { return m_size; }

private:
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_read = 0;
    struct stat m_opened {};
    SourceError m_error = SourceError::None;
};

// A whole regular file, read through a SourceReader.
SourceError readRegularFile(const QString& path, QByteArray* bytes);

} // namespace zerva::common
