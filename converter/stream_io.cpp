// Bounded-buffer file streaming for the converters.
#include "converter/stream_io.h"

#include "converter/byte_reverse.h"
#include "converter/unit_text.h"

#include "common/codepage.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

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

Utf8Sink::Utf8Sink(Sink& sink) : m_sink(sink) {}

bool Utf8Sink::write(const std::uint8_t* data, qsizetype n) {
    static const auto forms = [] {
        std::array<std::array<std::uint8_t, 4>, 256> f{};
        const auto& chars = common::cp1256Table();
        for (std::size_t x = 0; x < f.size(); ++x) {
            f[x][3] = static_cast<std::uint8_t>(encodeUtf8(chars[x], f[x].data()));
        }
        return f;
    }();
    m_utf8.resize(static_cast<std::size_t>(3 * n + 4));
    std::size_t o = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const auto& form = forms[data[k]];
        std::memcpy(m_utf8.data() + o, form.data(), 3);
        o += form[3];
    }
    return m_sink.write(m_utf8.data(), static_cast<qsizetype>(o));
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

SpillBuffer::SpillBuffer(qsizetype memoryLimit, QString tempFolder)
    : m_limit(std::max<qsizetype>(memoryLimit, 1)), m_tempFolder(std::move(tempFolder)) {}

void SpillBuffer::spill() {
    if (m_ok && !m_file) {
        const QString folder = m_tempFolder.isEmpty() ? QDir::tempPath() : m_tempFolder;
        m_file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/zerva-line-XXXXXX"));
        m_ok = m_file->open();
    }
    if (m_ok) {
        m_ok = m_file->seek(m_fileSize) &&
               m_file->write(reinterpret_cast<const char*>(memory()), m_used) == m_used;
    }
    m_fileSize += m_used;
    m_used = 0;
}

void SpillBuffer::append(const std::uint8_t* p, qsizetype n) {
    while (n > 0) {
        if (m_used == m_limit) {
            spill();
        }
        const qsizetype k = std::min(n, m_limit - m_used);
        if (m_memory.size() < static_cast<std::size_t>(m_used + k)) {
            m_memory.resize(
                static_cast<std::size_t>(std::min(m_limit, std::max(m_used + k, 2 * m_used))));
        }
        std::memcpy(m_memory.data() + m_used, p, static_cast<std::size_t>(k));
        m_used += k;
        p += k;
        n -= k;
    }
}

bool SpillBuffer::readFile(qsizetype pos, qsizetype n, std::uint8_t* dst) {
    if (!m_ok || !m_file->seek(pos)) {
        return m_ok = false;
    }
    qsizetype got = 0;
    while (got < n) {
        const qint64 k = m_file->read(reinterpret_cast<char*>(dst) + got, n - got);
        if (k <= 0) {
            return m_ok = false;
        }
        got += k;
    }
    return true;
}

void SpillBuffer::clear() {
    m_used = 0;
    m_fileSize = 0;
}

void SpillBuffer::copyTo(qsizetype from, qsizetype to, Output& out) {
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

void SpillBuffer::copyReversedTo(Output& out) {
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

} // namespace zerva::converter::detail
