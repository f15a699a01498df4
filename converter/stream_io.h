// Bounded-buffer file streaming shared by the converters: the source read in chunks, the
// destination written through the suite's atomic writer behind an output buffer, and a byte
// store that moves to a private temporary file when it outgrows its memory.
#pragma once

#include "common/atomic_file.h"
#include "common/messages.h"
#include "common/source_file.h"
#include "converter/text_convert.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QString>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace zerva::converter::detail {

// Where the converters read: a file or bytes in memory, in whole chunks.
class Source {
public:
    virtual ~Source() = default;
    // Fills up to max bytes; fewer only at the end. -1 on a read error or when the file
    // changed (error() says which).
    virtual qsizetype fill(std::uint8_t* data, qsizetype max) = 0;
    virtual common::SourceError error() const { return common::SourceError::None; }
};

// The source file. Only a regular file is opened, and one that changes while it is read
// fails the read.
class SourceFile : public Source {
public:
    common::SourceError open(const QString& path) { return m_reader.open(path); }
    qsizetype fill(std::uint8_t* data, qsizetype max) override;
    common::SourceError error() const override { return m_reader.error(); }

private:
    common::SourceReader m_reader;
};

class SourceBytes : public Source {
public:
    explicit SourceBytes(QByteArrayView bytes) : m_bytes(bytes) {}
    qsizetype fill(std::uint8_t* data, qsizetype max) override;

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

// The read stage: the source chunk by chunk, each behind the bytes the chunk before left for
// it (a pair head, or an escape the chunk's end cut).
class ChunkReader {
public:
    // maxKept: the most bytes a chunk may leave for the next.
    ChunkReader(Source& source, qsizetype chunkSize, qsizetype maxKept);
    // Reads the next chunk; false when the last one was read before, or reading failed
    // (status() then says why).
    bool next();
    std::uint8_t* data() { return m_buffer.data(); }
    qsizetype size() const { return m_size; }
    bool atEnd() const { return m_atEnd; }
    // The first taken bytes are done; the others (at most maxKept) come first in the next.
    void keepFrom(qsizetype taken);
    ConvertStatus status() const { return m_status; }

private:
    Source& m_source;
    qsizetype m_chunkSize;
    std::vector<std::uint8_t> m_buffer;
    qsizetype m_size = 0;
    qsizetype m_kept = 0;
    bool m_atEnd = false;
    ConvertStatus m_status = ConvertStatus::Success;
};

// Where the converters write: the destination file, through the suite's atomic writer (a
// failed conversion leaves the old file as it was, and a file may be converted onto
// itself), or bytes in memory.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool open() { return true; }
    virtual bool write(const std::uint8_t* data, qsizetype n) = 0;
    // True when writing takes long enough (a system call, a copy into the page cache) that
    // the output is better written on a thread of its own while the next part is converted.
    virtual bool writesInBackground() const { return false; }
    // Puts what was written in place; false when that failed.
    virtual bool commit() { return true; }
    virtual void discard() {}
};

class DestinationFile : public Sink {
public:
    explicit DestinationFile(const QString& path) : m_file(path) {}
    bool open() override { return m_file.open(); }
    bool write(const std::uint8_t* data, qsizetype n) override {
        return m_file.write(reinterpret_cast<const char*>(data), n);
    }
    bool writesInBackground() const override { return true; }
    bool commit() override { return m_file.commit(); }
    void discard() override { m_file.discard(); }

private:
    common::AtomicFile m_file;
};

class DestinationBytes : public Sink {
public:
    explicit DestinationBytes(QByteArray& bytes) : m_bytes(bytes) {}
    bool write(const std::uint8_t* data, qsizetype n) override {
        m_bytes.append(reinterpret_cast<const char*>(data), n);
        return true;
    }

private:
    QByteArray& m_bytes;
};

class BackgroundWriter;

// The output buffer in front of a sink. A failed write is remembered and every later write
// is skipped. For a sink that writes in the background, a full buffer goes to a writer
// thread while the conversion goes on in a second buffer; the thread starts with the first
// full buffer, so an output that fits one buffer is written on the caller's thread.
class Output {
public:
    // What a buffer for background writing holds beyond the capacity asked for, so that the
    // writer thread is handed at least this much at a time: waking it costs tens of
    // microseconds (more on virtual machines), and handing it each 256 KB chunk's output made
    // a large conversion about a quarter slower.
    static constexpr qsizetype kHandOverSize = 512 * 1024;

    Output(Sink& sink, qsizetype capacity);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool open() { return m_sink.open(); }
    void put(std::uint8_t b) {
        if (m_used == m_capacity) {
            flush();
        }
        m_data[m_used++] = b;
    }
    void append(const std::uint8_t* p, qsizetype n) {
        if (n <= 0) {
            return; // p may then be null
        }
        if (m_capacity - m_used >= n) { // the common case: a few bytes, and room for them
            std::memcpy(m_data + m_used, p, static_cast<std::size_t>(n));
            m_used += n;
        } else {
            appendSlowly(p, n);
        }
    }
    void appendReversed(const std::uint8_t* p, qsizetype n);
    // Room for n bytes (n at most capacity()) written through the pointer, then advance(n).
    std::uint8_t* reserve(qsizetype n) {
        if (m_capacity - m_used < n) {
            flush();
        }
        return m_data + m_used;
    }
    void advance(qsizetype n) { m_used += n; }
    // What may be reserved at once: at least the capacity asked for.
    qsizetype capacity() const { return m_capacity; }
    bool flush();
    // A failed write, also one the writer thread has met since the last flush.
    bool failed() const;
    // Writes what is buffered and puts the file in place; false when any of it failed.
    bool commit();

private:
    void appendSlowly(const std::uint8_t* p, qsizetype n);
    // Waits until the writer thread has written all it was given; false when any of it failed.
    bool settle();

    Sink& m_sink;
    qsizetype m_capacity;
    // Left uninitialised: only the part written to is ever touched.
    std::unique_ptr<std::uint8_t[]> m_buffers[2];
    std::uint8_t* m_data;
    qsizetype m_used = 0;
    bool m_failed = false;
    std::unique_ptr<BackgroundWriter> m_writer;
};

// Elements (bytes, or a walk's tagged elements) kept in memory up to a limit; beyond it the
// elements gathered so far move to a private temporary file (created on first need, removed
// at the end), so the memory in use stays bounded however long a line or run grows.
// Positions count from the first element pushed since the last clear: [0, fileSize()) is in
// the file, the rest in memory. Out is an output with append() and appendReversed().
template <typename E> class SpillBuffer {
public:
    SpillBuffer(qsizetype memoryLimit, QString tempFolder)
        : m_limit(std::max<qsizetype>(memoryLimit, 1)), m_tempFolder(std::move(tempFolder)) {}
    void append(const E* p, qsizetype n) {
        while (n > 0) {
            if (m_used == m_limit) {
                spill();
            }
            const qsizetype k = std::min(n, m_limit - m_used);
            if (m_memory.size() < static_cast<std::size_t>(m_used + k)) {
                m_memory.resize(
                    static_cast<std::size_t>(std::min(m_limit, std::max(m_used + k, 2 * m_used))));
            }
            std::memcpy(m_memory.data() + m_used, p, static_cast<std::size_t>(k) * sizeof(E));
            m_used += k;
            p += k;
            n -= k;
        }
    }
    qsizetype size() const { return m_fileSize + m_used; }
    bool empty() const { return size() == 0; }
    qsizetype fileSize() const { return m_fileSize; }
    const E* memory() const { return m_memory.data(); }
    qsizetype memorySize() const { return m_used; }
    // Reads n elements of the file part from pos; false on failure.
    bool readFile(qsizetype pos, qsizetype n, E* dst) {
        if (!m_ok || !m_file->seek(pos * qsizetype{sizeof(E)})) {
            return m_ok = false;
        }
        const qsizetype bytes = n * qsizetype{sizeof(E)};
        qsizetype got = 0;
        while (got < bytes) {
            const qint64 k = m_file->read(reinterpret_cast<char*>(dst) + got, bytes - got);
            if (k <= 0) {
                return m_ok = false;
            }
            got += k;
        }
        return true;
    }
    void clear() {
        m_used = 0;
        m_fileSize = 0;
    }
    // False once the temporary file failed; the buffer's content is then incomplete.
    bool ok() const { return m_ok; }
    // Appends the elements [from, to) in their order.
    template <typename Out> void copyTo(qsizetype from, qsizetype to, Out& out) {
        if (from < m_fileSize) {
            m_scratch.resize(static_cast<std::size_t>(m_limit));
            const qsizetype end = std::min(to, m_fileSize);
            for (qsizetype pos = from; pos < end;) {
                const qsizetype n = std::min(end - pos, m_limit);
                if (!readFile(pos, n, m_scratch.data())) {
                    return;
                }
                out.append(m_scratch.data(), n);
                pos += n;
            }
            from = end;
        }
        if (from < to) {
            out.append(memory() + (from - m_fileSize), to - from);
        }
    }
    // Appends all elements in reverse order.
    template <typename Out> void copyReversedTo(Out& out) {
        out.appendReversed(memory(), m_used);
        m_scratch.resize(static_cast<std::size_t>(m_limit));
        for (qsizetype end = m_fileSize; end > 0;) {
            const qsizetype n = std::min(end, m_limit);
            if (!readFile(end - n, n, m_scratch.data())) {
                return;
            }
            out.appendReversed(m_scratch.data(), n);
            end -= n;
        }
    }

private:
    void spill() {
        if (m_ok && !m_file) {
            const QString folder = m_tempFolder.isEmpty() ? QDir::tempPath() : m_tempFolder;
            m_file =
                std::make_unique<QTemporaryFile>(folder + QStringLiteral("/zerva-line-XXXXXX"));
            m_ok = m_file->open();
        }
        if (m_ok) {
            const qsizetype bytes = m_used * qsizetype{sizeof(E)};
            m_ok = m_file->seek(m_fileSize * qsizetype{sizeof(E)}) &&
                   m_file->write(reinterpret_cast<const char*>(memory()), bytes) == bytes;
        }
        m_fileSize += m_used;
        m_used = 0;
    }

    std::vector<E> m_memory; // grows up to the limit as needed
    std::vector<E> m_scratch;
    qsizetype m_limit;
    qsizetype m_used = 0;
    qsizetype m_fileSize = 0;
    QString m_tempFolder;
    std::unique_ptr<QTemporaryFile> m_file;
    bool m_ok = true;
};

} // namespace zerva::converter::detail

namespace zerva::converter::detail {

// Ends a conversion: when status is success, puts the output in place (a failure there is a
// write failure) and adds the characters without counterpart to the caller's count.
ConvertStatus finishConversion(ConvertStatus status, Output& out, qint64 counted,
                               const ConvertOptions& options);

// Opens the source and the destination file, runs convert over them and, when writing
// failed, tells the user; a source that cannot be opened is returned unreported.
ConvertStatus convertFile(const QString& sourcePath, const QString& destinationPath,
                          common::Messenger& messenger,
                          const std::function<ConvertStatus(Source&, Sink&)>& convert);

} // namespace zerva::converter::detail
