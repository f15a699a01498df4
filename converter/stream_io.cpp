// Bounded-buffer file streaming for the converters.
#include "converter/stream_io.h"

#include "converter/byte_reverse.h"

#include <algorithm>
#include <cstring>

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

Output::Output(Sink& sink, qsizetype capacity)
    : m_sink(sink), m_capacity(std::max<qsizetype>(capacity, 16)) {
    m_data.resize(static_cast<std::size_t>(m_capacity));
}

void Output::appendSlowly(const std::uint8_t* p, qsizetype n) {
    while (n > 0) {
        if (m_used == m_capacity) {
            flush();
        }
        const qsizetype k = std::min(n, m_capacity - m_used);
        std::memcpy(m_data.data() + m_used, p, static_cast<std::size_t>(k));
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
        reverseCopy(p + n - k, k, m_data.data() + m_used);
        m_used += k;
        n -= k;
    }
}

bool Output::flush() {
    if (!m_failed && m_used > 0) {
        m_failed = !m_sink.write(m_data.data(), m_used);
    }
    m_used = 0;
    return !m_failed;
}

bool Output::commit() {
    if (!flush()) {
        m_sink.discard();
        return false;
    }
    return m_sink.commit();
}

} // namespace zerva::converter::detail
