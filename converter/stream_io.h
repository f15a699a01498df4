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
#include <QString>
#include <QTemporaryFile>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
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

// Code page 1256 bytes written on as UTF-8, each byte as its character.
class Utf8Sink : public Sink {
public:
    explicit Utf8Sink(Sink& sink);
    bool open() override { return m_sink.open(); }
    bool write(const std::uint8_t* data, qsizetype n) override;
    bool commit() override { return m_sink.commit(); }
    void discard() override { m_sink.discard(); }

private:
    Sink& m_sink;
    std::vector<std::uint8_t> m_utf8;
};

// The output buffer in front of a sink. A failed write is remembered and every later write
// is skipped.
class Output {
public:
    Output(Sink& sink, qsizetype capacity);
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool open() { return m_sink.open(); }
    void put(std::uint8_t b) {
        if (m_used == m_capacity) {
            flush();
        }
        m_data[static_cast<std::size_t>(m_used++)] = b;
    }
    void append(const std::uint8_t* p, qsizetype n) {
        if (n <= 0) {
            return; // p may then be null
        }
        if (m_capacity - m_used >= n) { // the common case: a few bytes, and room for them
            std::memcpy(m_data.data() + m_used, p, static_cast<std::size_t>(n));
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
        return m_data.data() + m_used;
    }
    void advance(qsizetype n) { m_used += n; }
    qsizetype capacity() const { return m_capacity; }
    bool flush();
    bool failed() const { return m_failed; }
    // Writes what is buffered and puts the file in place; false when any of it failed.
    bool commit();

private:
    void appendSlowly(const std::uint8_t* p, qsizetype n);

    Sink& m_sink;
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
    void append(const std::uint8_t* p, qsizetype n);
    qsizetype size() const { return m_fileSize + m_used; }
    bool empty() const { return size() == 0; }
    qsizetype fileSize() const { return m_fileSize; }
    const std::uint8_t* memory() const { return m_memory.data(); }
    qsizetype memorySize() const { return m_used; }
    // Reads n bytes of the file part from pos; false on failure.
    bool readFile(qsizetype pos, qsizetype n, std::uint8_t* dst);
    void clear();
    // False once the temporary file failed; the buffer's content is then incomplete.
    bool ok() const { return m_ok; }
    // Appends the bytes [from, to) in their order.
    void copyTo(qsizetype from, qsizetype to, Output& out);
    // Appends all bytes in reverse order.
    void copyReversedTo(Output& out);

private:
    void spill();

    std::vector<std::uint8_t> m_memory; // grows up to the limit as needed
    std::vector<std::uint8_t> m_scratch;
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
