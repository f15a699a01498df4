// Bounded-buffer file streaming for the converters.
#include "converter/stream_io.h"

#include <QDir>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>

#include <algorithm>
#include <new>
#include <utility>

namespace zerva::converter::detail {

namespace {

// AddressSanitizer sees overruns only in heap memory it hands out itself, so sanitizer and
// fuzz builds take every buffer from the heap.
#if defined(__SANITIZE_ADDRESS__)
#define ZERVA_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZERVA_PLAIN_HEAP 1
#endif
#endif

#if defined(MAP_POPULATE) && !defined(ZERVA_PLAIN_HEAP)
#define ZERVA_PREFAULT 1
#endif

#if defined(ZERVA_PREFAULT)

// Below this a buffer fits in memory the allocator has in hand anyway.
constexpr std::size_t kPrefaultMin = 64 * 1024;

// The large buffers of the conversions come from one region of a few huge pages, kept for
// the whole run: a huge page is put in place at the cost of a handful of small ones, and a
// conversion's buffers all fit in one. Blocks are handed out first fit; a request the
// region cannot hold gets memory of its own.
class Slab {
public:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static constexpr std::size_t kSize = 2 * kHugePage;
    static constexpr std::size_t kGrain = 4096;

    void* allocate(std::size_t bytes) {
        const std::size_t size = (bytes + kGrain - 1) / kGrain * kGrain;
        const std::lock_guard lock(m_mutex);
        if (!reserve()) {
            return nullptr;
        }
        std::size_t at = 0;
        auto next = m_used.begin();
        for (; next != m_used.end(); ++next) {
            if (next->first - at >= size) {
                break;
            }
            at = next->first + next->second;
        }
        if (kSize - at < size && next == m_used.end()) {
            return nullptr;
        }
        m_used.insert(next, {at, size});
        return m_base + at;
    }

    // False when p is not from the region.
    bool free(void* p) {
        auto* const q = static_cast<std::uint8_t*>(p);
        const std::lock_guard lock(m_mutex);
        if (m_base == nullptr || q < m_base || q >= m_base + kSize) {
            return false;
        }
        const auto at = static_cast<std::size_t>(q - m_base);
        const auto block = std::find_if(m_used.begin(), m_used.end(),
                                        [at](const auto& b) { return b.first == at; });
        if (block != m_used.end()) {
            m_used.erase(block);
        }
        return true;
    }

private:
    bool reserve() {
        if (m_base != nullptr || m_failed) {
            return !m_failed;
        }
        // Mapped with room to start on a huge page boundary; the rest is given back.
        void* p = ::mmap(nullptr, kSize + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            m_failed = true;
            return false;
        }
        auto* const raw = static_cast<std::uint8_t*>(p);
        const auto address = reinterpret_cast<std::uintptr_t>(raw);
        auto* const base = raw + ((kHugePage - address % kHugePage) % kHugePage);
        if (base > raw) {
            ::munmap(raw, static_cast<std::size_t>(base - raw));
        }
        ::munmap(base + kSize, static_cast<std::size_t>(raw + kSize + kHugePage - (base + kSize)));
#if defined(MADV_HUGEPAGE)
        ::madvise(base, kSize, MADV_HUGEPAGE);
#endif
        m_base = base;
        return true;
    }

    std::mutex m_mutex;
    std::uint8_t* m_base = nullptr;
    bool m_failed = false;
    std::vector<std::pair<std::size_t, std::size_t>> m_used; // offset and size, by offset
};

Slab& slab() {
    static Slab region;
    return region;
}

#endif

} // namespace

void* allocatePrefaulted(std::size_t bytes) {
#if defined(ZERVA_PREFAULT)
    if (bytes >= kPrefaultMin) {
        if (void* p = slab().allocate(bytes)) {
            return p;
        }
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (p == MAP_FAILED) {
            throw std::bad_alloc();
        }
        return p;
    }
#endif
    return ::operator new(bytes);
}

void freePrefaulted(void* p, [[maybe_unused]] std::size_t bytes) {
#if defined(ZERVA_PREFAULT)
    if (bytes >= kPrefaultMin) {
        if (!slab().free(p)) {
            ::munmap(p, bytes);
        }
        return;
    }
#endif
    ::operator delete(p);
}

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

DestinationFile::~DestinationFile() {
    if (m_thread.joinable()) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_job == nullptr; });
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
}

void DestinationFile::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_job != nullptr || m_stop; });
        if (m_job == nullptr) {
            return;
        }
        const std::uint8_t* data = m_job;
        qsizetype left = m_jobSize;
        lock.unlock();
        const bool ok = m_file.write(reinterpret_cast<const char*>(data), left);
        lock.lock();
        m_failed = m_failed || !ok;
        m_job = nullptr;
        m_changed.notify_all();
    }
}

bool DestinationFile::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_job == nullptr; });
    return !m_failed;
}

bool DestinationFile::write(const std::uint8_t* data, qsizetype n) {
    if (n == 0) {
        return waitIdle();
    }
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { run(); });
    }
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_job == nullptr; });
        if (m_failed) {
            return false;
        }
        m_job = data;
        m_jobSize = n;
    }
    m_changed.notify_all();
    return true;
}

bool DestinationFile::commit() {
    if (!waitIdle()) {
        m_file.discard();
        return false;
    }
    return m_file.commit();
}

BufferPair::BufferPair(DestinationFile& file, qsizetype size) : m_file(file) {
    for (auto& buffer : m_buffers) {
        buffer.resize(static_cast<std::size_t>(size));
    }
}

OutBuffer::OutBuffer(DestinationFile& file, qsizetype capacity)
    : m_capacity(std::max<qsizetype>(capacity, 16)), m_buffers(file, m_capacity),
      m_data(m_buffers.current()) {}

void OutBuffer::append(const std::uint8_t* p, qsizetype n) {
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

void OutBuffer::appendReversed(const std::uint8_t* p, qsizetype n) {
    while (n > 0) {
        if (m_used == m_capacity) {
            flush();
        }
        const qsizetype k = std::min(n, m_capacity - m_used);
        std::reverse_copy(p + n - k, p + n, m_data + m_used);
        m_used += k;
        n -= k;
    }
}

bool OutBuffer::flush() {
    if (m_failed) {
        m_used = 0;
        return false;
    }
    m_failed = !m_buffers.write(m_used);
    m_data = m_buffers.current();
    m_used = 0;
    return !m_failed;
}

SpillBuffer::SpillBuffer(qsizetype memoryLimit, QString tempFolder)
    : m_memory(new std::uint8_t[static_cast<std::size_t>(std::max<qsizetype>(memoryLimit, 1) +
                                                         2 * kPad)]),
      m_limit(std::max<qsizetype>(memoryLimit, 1)), m_tempFolder(std::move(tempFolder)) {
    std::memset(m_memory.get(), 0, kPad);
    std::memset(m_memory.get() + kPad + m_limit, 0, kPad);
}

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
        std::memcpy(m_memory.get() + kPad + m_used, p, static_cast<std::size_t>(k));
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

void SpillBuffer::copyTo(qsizetype from, qsizetype to, OutBuffer& out) {
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

void SpillBuffer::copyReversedTo(OutBuffer& out) {
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
