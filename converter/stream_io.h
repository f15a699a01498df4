// Bounded-buffer file streaming shared by the converters: the source reader, the
// destination written through a temporary file, an output buffer, and a byte store that
// moves to a private temporary file when it outgrows its memory.
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryFile>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace zerva::converter::detail {

// The source file, read in whole chunks.
class SourceFile {
public:
    bool open(const QString& path);
    // Fills up to max bytes; fewer only at the end of the file. -1 on a read error.
    qsizetype fill(std::uint8_t* data, qsizetype max);

private:
    QFile m_file;
};

// The destination: written to a temporary file in the destination's folder and renamed over
// the destination only when complete, so a failed conversion leaves the old file as it was
// (and a file may be converted onto itself). The new file gets the old one's permissions,
// or the usual ones for a new file. It is not synced to disk: a conversion costs no more
// than a copy, and the rename still never exposes a partial file.
class DestinationFile {
public:
    bool open(const QString& path);
    bool write(const std::uint8_t* data, qsizetype n);
    bool commit(); // false when the file could not be put in place

private:
    QString m_path;
    std::unique_ptr<QTemporaryFile> m_file;
};

// Output gathered in a fixed buffer and written when full. A failed write is remembered and
// every later write is skipped.
class OutBuffer {
public:
    OutBuffer(DestinationFile& file, qsizetype capacity);

    void put(std::uint8_t b) {
        if (m_used == m_capacity) {
            flush();
        }
        m_data[m_used++] = b;
    }
    void append(const std::uint8_t* p, qsizetype n);
    void appendReversed(const std::uint8_t* p, qsizetype n);
    // Room for n bytes (n at most capacity()) written through the pointer, then advance(n).
    std::uint8_t* reserve(qsizetype n) {
        if (m_capacity - m_used < n) {
            flush();
        }
        return m_data.data() + m_used;
    }
    void advance(qsizetype n) { m_used += n; }
    qsizetype capacity() const { return m_capacity; }
    bool flush();
    bool failed() const { return m_failed; }

private:
    DestinationFile& m_file;
    std::vector<std::uint8_t> m_data;
    qsizetype m_capacity;
    qsizetype m_used = 0;
    bool m_failed = false;
};

// Bytes kept in memory up to a limit; beyond it the bytes gathered so far move to a private
// temporary file (created on first need, removed at the end), so the memory in use stays
// bounded however long a line or run grows. Positions count from the first byte pushed
// since the last clear: [0, fileSize()) is in the file, the rest in memory.
class SpillBuffer {
public:
    SpillBuffer(qsizetype memoryLimit, QString tempFolder);

    void push(std::uint8_t b) {
        if (m_used == m_limit) {
            spill();
        }
        m_memory[kPad + m_used++] = b;
    }
    void append(const std::uint8_t* p, qsizetype n);
    qsizetype size() const { return m_fileSize + m_used; }
    bool empty() const { return size() == 0; }
    qsizetype fileSize() const { return m_fileSize; }
    // The memory part, with 8 readable spare bytes before and after it.
    const std::uint8_t* memory() const { return m_memory.data() + kPad; }
    qsizetype memorySize() const { return m_used; }
    // Reads n bytes of the file part from pos; false on failure.
    bool readFile(qsizetype pos, qsizetype n, std::uint8_t* dst);
    void clear();
    // False once the temporary file failed; the buffer's content is then incomplete.
    bool ok() const { return m_ok; }

    // Appends the bytes [from, to) in their order.
    void copyTo(qsizetype from, qsizetype to, OutBuffer& out);
    // Appends all bytes in reverse order.
    void copyReversedTo(OutBuffer& out);

private:
    void spill();

    static constexpr qsizetype kPad = 8;
    std::vector<std::uint8_t> m_memory;
    std::vector<std::uint8_t> m_scratch;
    qsizetype m_limit;
    qsizetype m_used = 0;
    qsizetype m_fileSize = 0;
    QString m_tempFolder;
    std::unique_ptr<QTemporaryFile> m_file;
    bool m_ok = true;
};

} // namespace zerva::converter::detail
