// Bounded-buffer file streaming shared by the converters: the source reader, the
// destination written through a temporary file, an output buffer, and a byte store that
// moves to a private temporary file when it outgrows its memory.
#pragma once

#include "common/atomic_file.h"
#include "common/source_file.h"

#include <QString>
#include <QTemporaryFile>

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zerva::converter::detail {

// Memory for the large buffers and tables, taken where its pages cost least to put in
// place: each fresh small page costs a fault when first touched (on some virtual machines
// more than converting the page's bytes), so they come from a region of huge pages kept for
// the run, or, when that is full, with all their pages put in place at once.
void* allocatePrefaulted(std::size_t bytes);
void freePrefaulted(void* p, std::size_t bytes);

template <typename T> struct PrefaultAllocator {
    using value_type = T;
    PrefaultAllocator() = default;
    template <typename U> PrefaultAllocator(const PrefaultAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocatePrefaulted(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { freePrefaulted(p, n * sizeof(T)); }
    friend bool operator==(const PrefaultAllocator&, const PrefaultAllocator&) { return true; }
};

template <typename T> using PageVector = std::vector<T, PrefaultAllocator<T>>;

// The source file, read in whole chunks. Only a regular file is opened, and one that changes
// while it is read fails the read.
class SourceFile {
public:
    common::SourceError open(const QString& path) { return m_reader.open(path); }
    // Fills up to max bytes; fewer only at the end of the file. -1 on a read error or when
    // the file changed (error() says which).
    qsizetype fill(std::uint8_t* data, qsizetype max);
    common::SourceError error() const { return m_reader.error(); }

private:
    common::SourceReader m_reader;
};

// The destination, through the suite's atomic writer: a failed conversion leaves the old
// file as it was, and a file may be converted onto itself.
//
// The writing itself is done by a thread of its own, so that the system's copy of one chunk
// into the file overlaps the conversion of the next: write() hands the bytes over and
// returns at once, and the caller leaves them unchanged until its next write() or commit()
// (two buffers used in turn are enough).
class DestinationFile {
public:
    explicit DestinationFile(const QString& path) : m_file(path) {}
    DestinationFile(const DestinationFile&) = delete;
    DestinationFile& operator=(const DestinationFile&) = delete;
    ~DestinationFile();

    bool open() { return m_file.open(); }
    // Waits until the bytes handed over before are written, then hands these over. False
    // once a write failed.
    bool write(const std::uint8_t* data, qsizetype n);
    bool commit(); // false when the file could not be written whole or put in place
    // Waits until the bytes handed over are written; false once a write failed.
    bool waitIdle();

private:
    void run();

    common::AtomicFile m_file;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::uint8_t* m_job = nullptr; // handed over, not yet written
    qsizetype m_jobSize = 0;
    bool m_stop = false;
    bool m_failed = false;
};

// Two output buffers of one size for a destination, filled in turn: one is written while
// the other fills. They are not freed before the destination has written them.
class BufferPair {
public:
    BufferPair(DestinationFile& file, qsizetype size);
    BufferPair(const BufferPair&) = delete;
    BufferPair& operator=(const BufferPair&) = delete;
    ~BufferPair() { m_file.waitIdle(); }

    std::uint8_t* current() { return m_buffers[m_current].data(); }
    // Hands the current buffer's first n bytes to the destination and makes the other one
    // current; false once a write failed.
    bool write(qsizetype n) {
        const bool ok = m_file.write(current(), n);
        m_current = 1 - m_current;
        return ok;
    }

private:
    DestinationFile& m_file;
    PageVector<std::uint8_t> m_buffers[2];
    int m_current = 0;
};

// Output gathered in a buffer and handed to the destination when full, the next bytes going
// to the other buffer of a pair. A failed write is remembered and every later write is
// skipped.
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
        return m_data + m_used;
    }
    void advance(qsizetype n) { m_used += n; }
    qsizetype capacity() const { return m_capacity; }
    bool flush();
    bool failed() const { return m_failed; }

private:
    qsizetype m_capacity;
    BufferPair m_buffers;
    std::uint8_t* m_data;
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
    const std::uint8_t* memory() const { return m_memory.get() + kPad; }
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
    // Left uninitialised but for the spare bytes: a short line touches only its first page.
    std::unique_ptr<std::uint8_t[]> m_memory;
    std::vector<std::uint8_t> m_scratch;
    qsizetype m_limit;
    qsizetype m_used = 0;
    qsizetype m_fileSize = 0;
    QString m_tempFolder;
    std::unique_ptr<QTemporaryFile> m_file;
    bool m_ok = true;
};

} // namespace zerva::converter::detail
