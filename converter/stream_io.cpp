// Bounded-buffer file streaming for the converters.
#include "converter/stream_io.h"

#include "converter/byte_reverse.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace zerva::converter::detail {

qsizetype SourceFile::fill(std::uint8_t* data, qsizetype max) {
    qsizetype got = 0;
    while (got < max) {
        const qsizetype n = m_reader.read(reinterpret_cast<char*>(data) + got, max - got);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got;
}

qsizetype SourceBytes::fill(std::uint8_t* data, qsizetype max) {
    const qsizetype n = std::min(max, m_bytes.size() - m_at);
    if (n > 0) { // empty bytes may have no data pointer at all
        std::memcpy(data, m_bytes.data() + m_at, static_cast<std::size_t>(n));
    }
    m_at += n;
    return n;
}

ChunkReader::ChunkReader(Source& source, qsizetype chunkSize, qsizetype maxKept)
    : m_source(source), m_chunkSize(std::max<qsizetype>(chunkSize, 1)) {
    m_buffer.resize(static_cast<std::size_t>(m_chunkSize + maxKept));
}

bool ChunkReader::next() {
    if (m_atEnd || m_status != ConvertStatus::Success) {
        return false;
    }
    const qsizetype n = m_source.fill(m_buffer.data() + m_kept, m_chunkSize);
    if (n < 0) {
        m_status = m_source.error() == common::SourceError::Changed ? ConvertStatus::SourceChanged
                                                                    : ConvertStatus::ReadFailed;
        return false;
    }
    m_atEnd = n < m_chunkSize;
    m_size = m_kept + n;
    return true;
}

void ChunkReader::keepFrom(qsizetype taken) {
    m_kept = m_size - taken;
    if (m_kept > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + taken, static_cast<std::size_t>(m_kept));
    }
}

ConvertStatus finishConversion(ConvertStatus status, Output& out, qint64 counted,
                               const ConvertOptions& options) {
    if (status == ConvertStatus::Success && !out.commit()) {
        status = ConvertStatus::WriteFailed;
    }
    if (status == ConvertStatus::Success && options.noCounterpart != nullptr) {
        *options.noCounterpart += counted;
    }
    return status;
}

// Writes one buffer at a time to a sink on its own thread. The sink is touched only by this
// thread from the first write until settle() returns.
class BackgroundWriter {
public:
    explicit BackgroundWriter(Sink& sink) : m_sink(sink), m_thread([this] { run(); }) {}
    ~BackgroundWriter() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Hands over data[0..n), which stays untouched until the next settle(); call it settled.
    void write(const std::uint8_t* data, qsizetype n) {
        {
            const std::lock_guard lock(m_mutex);
            m_data = data;
            m_size = n;
        }
        m_wake.notify_all();
    }
    // Waits until what was handed over is written; false when any write failed.
    bool settle() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_data == nullptr; });
        return !m_failed.load(std::memory_order_relaxed);
    }
    bool failedSoFar() const { return m_failed.load(std::memory_order_relaxed); }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || m_data != nullptr; });
            if (m_data == nullptr) {
                return; // stopped with nothing left to write
            }
            const std::uint8_t* const data = m_data;
            const qsizetype n = m_size;
            lock.unlock();
            // After a failure the rest is skipped, as the caller's own writes would be.
            if (!m_failed.load(std::memory_order_relaxed) && !m_sink.write(data, n)) {
                m_failed.store(true, std::memory_order_relaxed);
            }
            lock.lock();
            m_data = nullptr;
            m_wake.notify_all();
        }
    }

    Sink& m_sink;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::uint8_t* m_data = nullptr; // handed over and not yet written
    qsizetype m_size = 0;
    bool m_stop = false;
    std::atomic<bool> m_failed{false};
    std::thread m_thread; // last: it starts once the members it uses are made
};

Output::Output(Sink& sink, qsizetype capacity)
    : m_sink(sink),
      m_capacity(std::max<qsizetype>(capacity, 16) +
                 (sink.writesInBackground() ? kHandOverSize : 0)) {
    m_buffers[0].reset(new std::uint8_t[static_cast<std::size_t>(m_capacity)]);
    m_data = m_buffers[0].get();
}

Output::~Output() = default; // the writer thread, if any, ends before the buffers go

void Output::appendSlowly(const std::uint8_t* p, qsizetype n) {
    while (n > 0) {
        if (m_used == m_capacity) {
            flush();
        }
        const qsizetype k = std::min(n, m_capacity - m_used);
        std::memcpy(m_data + m_used, p, static_cast<std::size_t>(k));
        m_used += k;
        p += k;
        n -= k;
    }
}

void Output::appendReversed(const std::uint8_t* p, qsizetype n) {
    while (n > 0) {
        if (m_used == m_capacity) {
            flush();
        }
        const qsizetype k = std::min(n, m_capacity - m_used);
        reverseCopy(p + n - k, k, m_data + m_used);
        m_used += k;
        n -= k;
    }
}

bool Output::settle() {
    if (m_writer != nullptr && !m_writer->settle()) {
        m_failed = true;
    }
    return !m_failed;
}

bool Output::failed() const {
    return m_failed || (m_writer != nullptr && m_writer->failedSoFar());
}

bool Output::flush() {
    if (!m_sink.writesInBackground()) {
        if (!m_failed && m_used > 0) {
            m_failed = !m_sink.write(m_data, m_used);
        }
        m_used = 0;
        return !m_failed;
    }
    // The other buffer is free once the writer thread is done with it.
    if (settle() && m_used > 0) {
        if (m_writer == nullptr) {
            m_buffers[1].reset(new std::uint8_t[static_cast<std::size_t>(m_capacity)]);
            m_writer = std::make_unique<BackgroundWriter>(m_sink);
        }
        m_writer->write(m_data, m_used);
        m_data = m_data == m_buffers[0].get() ? m_buffers[1].get() : m_buffers[0].get();
    }
    m_used = 0;
    return !m_failed;
}

bool Output::commit() {
    // The last buffer is written on this thread, after the writer thread's.
    bool ok = settle();
    if (ok && m_used > 0) {
        ok = m_sink.write(m_data, m_used);
        m_failed = !ok;
    }
    m_used = 0;
    m_writer.reset();
    if (!ok) {
        m_sink.discard();
        return false;
    }
    return m_sink.commit();
}

} // namespace zerva::converter::detail
