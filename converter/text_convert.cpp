// The three text converters over one streaming loop of conversion units.
#include "converter/text_convert.h"

#include "converter/char_class.h"
#include "converter/converter_messages.h"
#include "converter/stream_io.h"
#include "converter/wide_kernels.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

namespace zerva::converter {

using detail::BufferPair;
using detail::DestinationFile;
using detail::OutBuffer;
using detail::SourceFile;
using detail::SpillBuffer;

namespace {

// Offsets within a chunk's output are 32-bit.
constexpr qsizetype kMaxChunkSize = 64 * 1024 * 1024;

constexpr std::uint8_t kPairHead = 1; // the byte may start a pair entry
constexpr std::uint8_t kLineEnd = 2;  // a line feed or carriage return
constexpr std::uint8_t kCounted = 4;  // the byte has no counterpart: it is counted

// What one source byte yields when no pair matches, precomputed for the hot loop: len bytes
// (0-2) of b0, b1 in the order the converter writes them.
struct Unit {
    std::uint8_t len;
    std::uint8_t b0;
    std::uint8_t b1;
    std::uint8_t flags;
};

using UnitMap = std::array<Unit, 256>;

UnitMap makeUnits(const ConversionTable& table, bool secondFirst, bool markLineEnds) {
    UnitMap map{};
    for (int x = 0; x < 256; ++x) {
        const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
        Unit& u = map[x];
        u.len = e.kind;
        u.b0 = (e.kind == 2 && secondFirst) ? e.out2 : e.out1;
        u.b1 = (e.kind == 2 && secondFirst) ? e.out1 : e.out2;
        u.flags = static_cast<std::uint8_t>((e.pairHead != 0 ? kPairHead : 0) |
                                            (markLineEnds && (x == 10 || x == 13) ? kLineEnd : 0) |
                                            (e.noCounterpart ? kCounted : 0));
    }
    return map;
}

// Tells the sink where the line feeds and carriage returns of data[0..n) are, for a chunk
// converted one byte to one byte.
template <typename Sink> void findLineEnds(const std::uint8_t* data, qsizetype n, Sink& sink) {
    qsizetype k = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; k + 16 <= n; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + k));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
        while (mask != 0) {
            const qsizetype at = k + __builtin_ctz(mask);
            sink.lineEnd(at, at + 1);
            mask &= mask - 1;
        }
    }
#endif
    for (; k < n; ++k) {
        if (data[k] == '\n' || data[k] == '\r') {
            sink.lineEnd(k, k + 1);
        }
    }
}

// Reads the source chunk by chunk and converts each into the sink's output space
// (sink.output(), room for twice the chunk and a few bytes more), then hands it over with
// sink.endChunk(bytes) (false stops with a write failure). With line ends marked in the map,
// sink.lineEnd(from, to) tells where each line end's converted bytes lie. A byte that may
// start a pair and ends a chunk is kept back for the next one, so pairs across chunks match
// as anywhere else. The output pointer is a local so the hot loop keeps it in a register.
// Bytes without a counterpart that are not part of a pair are added to counted.
template <typename Sink>
ConvertStatus streamUnits(SourceFile& source, const ConversionTable& table, const UnitMap& map,
                          qsizetype chunkSize, Sink& sink, qint64& counted) {
    detail::PageVector<std::uint8_t> buffer(static_cast<std::size_t>(chunkSize) + 1);
    // Per byte: its only output byte, or 0x100 when it is dropped, doubled, starts a pair or
    // is counted (all left to the full loop).
    std::array<std::uint16_t, 256> oneToOne{};
    for (int x = 0; x < 256; ++x) {
        const Unit& u = map[x];
        oneToOne[x] =
            (u.len == 1 && (u.flags & (kPairHead | kCounted)) == 0) ? u.b0 : std::uint16_t{0x100};
    }
    // The same for two bytes at once, indexed by the two bytes read as one 16-bit number:
    // their two output bytes as one 16-bit number, with bit 16 set when either needs more
    // than one-to-one.
    const bool wide = detail::wideKernelsUsable();
    detail::PageVector<std::uint32_t> twoToTwo(wide ? 0 : 65536);
    for (std::size_t i = 0; i < twoToTwo.size(); ++i) {
        const auto key = static_cast<std::uint16_t>(i);
        std::uint8_t bytes[2];
        std::memcpy(bytes, &key, 2);
        const std::uint16_t first = oneToOne[bytes[0]];
        const std::uint16_t second = oneToOne[bytes[1]];
        bytes[0] = static_cast<std::uint8_t>(first);
        bytes[1] = static_cast<std::uint8_t>(second);
        std::uint16_t value;
        std::memcpy(&value, bytes, 2);
        twoToTwo[i] = value | static_cast<std::uint32_t>((first | second) & 0x100) << 8;
    }
    detail::WideByteMap wideMap{};
    for (int x = 0; x < 256; ++x) {
        wideMap.out[x] = static_cast<std::uint8_t>(oneToOne[x]);
        wideMap.special[x] = (oneToOne[x] & 0x100) != 0 ? 0x80 : 0;
    }
    qsizetype carry = 0;
    for (;;) {
        const qsizetype n = source.fill(buffer.data() + carry, chunkSize);
        if (n < 0) {
            return source.error() == common::SourceError::Changed ? ConvertStatus::SourceChanged
                                                                  : ConvertStatus::ReadFailed;
        }
        const bool atEnd = n < chunkSize;
        const qsizetype total = carry + n;
        const std::uint8_t* const data = buffer.data();
        std::uint8_t* const first = sink.output();
        std::uint8_t* out = first;
        qsizetype i = 0;
        {
            // Most chunks hold only bytes that become exactly one byte: translate them
            // straight away, and start over with the full loop when a byte needs more. Each
            // output byte then stands where its source byte stood, so the line ends are
            // where the source has them.
            std::uint32_t special = 0;
            qsizetype k = 0;
            if (wide) {
                special = detail::wideMapBytes(wideMap, data, out, total) ? 0 : 0x10000u;
                k = total;
            }
            for (; k + 4 <= total; k += 4) {
                std::uint16_t in[2];
                std::memcpy(in, data + k, 4);
                const std::uint32_t a = twoToTwo[in[0]];
                const std::uint32_t b = twoToTwo[in[1]];
                const std::uint16_t converted[2] = {static_cast<std::uint16_t>(a),
                                                    static_cast<std::uint16_t>(b)};
                std::memcpy(out + k, converted, 4);
                special |= a | b;
            }
            for (; k + 2 <= total; k += 2) {
                std::uint16_t in;
                std::memcpy(&in, data + k, 2);
                const std::uint32_t v = twoToTwo[in];
                const auto converted = static_cast<std::uint16_t>(v);
                std::memcpy(out + k, &converted, 2);
                special |= v;
            }
            if (k < total) {
                const std::uint32_t v = oneToOne[data[k]];
                out[k] = static_cast<std::uint8_t>(v);
                special |= v << 8;
            }
            if ((special & 0x10000u) == 0) {
                if constexpr (Sink::kMarksLineEnds) {
                    findLineEnds(data, total, sink);
                }
                out += total;
                i = total;
            }
        }
        while (i < total) {
            const std::uint8_t x = data[i];
            const Unit u = map[x];
            if (u.flags != 0) [[unlikely]] {
                std::uint8_t* const before = out;
                if (u.flags & kPairHead) {
                    if (i + 1 < total) {
                        const int target = table.findPair(x, data[i + 1]);
                        if (target >= 0) {
                            *out++ = static_cast<std::uint8_t>(target);
                            i += 2;
                            if (u.flags & kLineEnd) {
                                sink.lineEnd(before - first, out - first);
                            }
                            continue;
                        }
                    } else if (!atEnd) {
                        break;
                    }
                }
                out[0] = u.b0;
                out[1] = u.b1;
                out += u.len;
                ++i;
                counted += (u.flags & kCounted) != 0 ? 1 : 0;
                if (u.flags & kLineEnd) {
                    sink.lineEnd(before - first, out - first);
                }
                continue;
            }
            out[0] = u.b0;
            out[1] = u.b1;
            out += u.len;
            ++i;
        }
        carry = total - i;
        if (carry > 0) {
            buffer[0] = data[i];
        }
        if (!sink.endChunk(out - first)) {
            return ConvertStatus::WriteFailed;
        }
        if (atEnd) {
            return ConvertStatus::Success;
        }
    }
}

} // namespace

ConvertStatus sourceStatus(common::SourceError error) {
    switch (error) {
    case common::SourceError::None:
        return ConvertStatus::Success;
    case common::SourceError::NotRegular:
        return ConvertStatus::SourceNotRegular;
    case common::SourceError::Changed:
        return ConvertStatus::SourceChanged;
    case common::SourceError::Unreadable:
        break;
    }
    return ConvertStatus::SourceUnreadable;
}

namespace {

// Opens both files, streams the units through the sink, finishes and puts the destination
// in place; the write failure message is shown here for all converters.
template <typename MakeSink>
ConvertStatus runConversion(const QString& sourcePath, const QString& destinationPath,
                            const ConversionTable& table, bool secondFirst,
                            common::Messenger& messenger, const ConvertOptions& options,
                            MakeSink makeSink) {
    SourceFile source;
    if (const common::SourceError opened = source.open(sourcePath);
        opened != common::SourceError::None) {
        return sourceStatus(opened);
    }
    DestinationFile destination(destinationPath);
    if (!destination.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    const qsizetype chunkSize = std::clamp<qsizetype>(options.chunkSize, 1, kMaxChunkSize);
    auto sink = makeSink(destination, chunkSize);
    const UnitMap map = makeUnits(table, secondFirst, decltype(sink)::kMarksLineEnds);
    qint64 counted = 0;
    ConvertStatus status = streamUnits(source, table, map, chunkSize, sink, counted);
    if (status == ConvertStatus::Success) {
        status = sink.finish();
    }
    if (status == ConvertStatus::Success && !destination.commit()) {
        status = ConvertStatus::WriteFailed;
    }
    if (status == ConvertStatus::Success && options.noCounterpart != nullptr) {
        *options.noCounterpart += counted;
    }
    if (status == ConvertStatus::WriteFailed) {
        messenger.MsgBox(writeFailedMessage(), common::kOkOnly, QString());
    }
    return status;
}

// Plain conversion: units go straight into an output array written once per chunk.
class PlainSink {
public:
    static constexpr bool kMarksLineEnds = false;

    PlainSink(DestinationFile& file, qsizetype chunkSize) : m_out(file, 2 * chunkSize + 4) {}

    std::uint8_t* output() { return m_out.current(); }
    void lineEnd(qsizetype, qsizetype) {}
    bool endChunk(qsizetype n) { return m_out.write(n); }
    ConvertStatus finish() { return ConvertStatus::Success; }

private:
    BufferPair m_out;
};

// Eight spare bytes before and after the data let the reordering copy whole 8-byte words.
class ChunkBuffer {
public:
    static constexpr qsizetype kPad = 8;

    explicit ChunkBuffer(qsizetype chunkSize)
        : m_data(static_cast<std::size_t>(2 * chunkSize + 4 + 2 * kPad)), m_size(0) {}

    std::uint8_t* begin() { return m_data.data() + kPad; }
    const std::uint8_t* data() const { return m_data.data() + kPad; }
    qsizetype size() const { return m_size; }
    void setSize(qsizetype n) { m_size = n; }

private:
    detail::PageVector<std::uint8_t> m_data;
    qsizetype m_size = 0;
};

// Copies n bytes forwards or reversed (the last one first) in whole 8-byte words: the
// source may be read up to 8 bytes before and after the range and the destination written
// up to 8 bytes beyond it.
inline std::uint8_t* copyWords(std::uint8_t* to, const std::uint8_t* from, qsizetype n) {
    for (qsizetype k = 0; k < n; k += 8) {
        std::memcpy(to + k, from + k, 8);
    }
    return to + n;
}

inline std::uint8_t* reverseWords(std::uint8_t* to, const std::uint8_t* from, qsizetype n) {
    const std::uint8_t* end = from + n;
    for (qsizetype k = 0; k < n; k += 8) {
        std::uint64_t word;
        std::memcpy(&word, end - k - 8, 8);
        word = __builtin_bswap64(word);
        std::memcpy(to + k, &word, 8);
    }
    return to + n;
}

// The classes as bits for branch-free scanning: 1 for class 1 (Persian), 2 for class -1
// (neutral), 0 for joining punctuation, which never changes the state of a walk. The state
// changes where a byte's bits differ from those of the last byte that was not punctuation;
// that depends on the previous state through one select only, which keeps the scan fast.
struct ClassFlags {
    std::array<std::uint8_t, 256> bits{};
    ClassFlags() {
        for (int x = 0; x < 256; ++x) {
            bits[x] = static_cast<std::uint8_t>((CharClass()[x] == 1 ? 1 : 0) |
                                                (CharClass()[x] == -1 ? 2 : 0));
        }
    }
};

const ClassFlags& classFlags() {
    static const ClassFlags flags;
    return flags;
}

// Where the walks change state, found 16 bytes at a time where SSE2 is there. The classes
// are those of CharClass: bytes from 128 up are Persian, the 13 punctuation characters join
// runs, every other byte is neutral. A byte that joins runs keeps the state of the byte
// before it in the walk's direction, which makes the state a carry chain: with Persian (or,
// walking backwards, neutral) bytes generating and joining bytes propagating, one addition
// gives the state after every byte of the block.
#if defined(__SSE2__)
unsigned joiningMask(__m128i v) {
    // The punctuation is printable ASCII (0x21-0x7F, which a signed compare picks out);
    // blocks of Persian text mostly have none beyond blanks and line ends.
    if (_mm_movemask_epi8(_mm_cmpgt_epi8(v, _mm_set1_epi8(' '))) == 0) {
        return 0;
    }
    __m128i m = _mm_cmpeq_epi8(v, _mm_set1_epi8('.'));
    for (char c : {',', ':', ';', '\'', '"', '?', '(', ')', '[', ']', '{', '}'}) {
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(c)));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(m));
}

// The bits of t, lowest first, as base + offset (base - offset when down), stored without
// branches on how many there are; returns their count. changes needs 16 spare places.
qsizetype storeBits(unsigned t, qsizetype base, bool down, std::uint32_t* changes) {
    // A table rather than __builtin_popcount, which is a library call without -mpopcnt.
    static constexpr auto kBits = [] {
        std::array<std::uint8_t, 256> bits{};
        for (int i = 0; i < 256; ++i) {
            for (int b = 0; b < 8; ++b) {
                bits[i] = static_cast<std::uint8_t>(bits[i] + ((i >> b) & 1));
            }
        }
        return bits;
    }();
    const int count = kBits[t & 0xFF] + kBits[(t >> 8) & 0xFF];
    for (int r = 0; r < 16; r += 8) {
        if (r >= count) {
            break;
        }
        for (int q = 0; q < 8; ++q) {
            const int bit = __builtin_ctz(t | 0x10000u);
            changes[r + q] = static_cast<std::uint32_t>(down ? base - bit : base + bit);
            t &= t - 1;
        }
    }
    return count;
}

unsigned reverse16(unsigned x) {
    static constexpr auto kReversed = [] {
        std::array<std::uint8_t, 256> r{};
        for (int i = 0; i < 256; ++i) {
            int v = 0;
            for (int b = 0; b < 8; ++b) {
                v |= ((i >> b) & 1) << (7 - b);
            }
            r[i] = static_cast<std::uint8_t>(v);
        }
        return r;
    }();
    return (static_cast<unsigned>(kReversed[x & 0xFF]) << 8) | kReversed[(x >> 8) & 0xFF];
}
#endif

// Left-to-right: the offsets of the bytes that start or end a Persian run, ascending.
qsizetype scanRunChanges(const std::uint8_t* data, qsizetype n, bool& inRun,
                         const ClassFlags& flags, std::uint32_t* changes) {
    qsizetype count = 0;
    qsizetype k = 0;
#if defined(__SSE2__)
    unsigned state = inRun ? 1 : 0;
    for (; k + 16 <= n; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + k));
        const unsigned persian = static_cast<unsigned>(_mm_movemask_epi8(v));
        const unsigned joining = joiningMask(v);
        const unsigned a = persian | joining;
        const unsigned after = (((a + persian + state) ^ a ^ persian) >> 1) & 0xFFFF;
        const unsigned flips = (after ^ ((after << 1) | state)) & 0xFFFF;
        count += storeBits(flips, k, false, changes + count);
        state = after >> 15;
    }
    inRun = state != 0;
#endif
    unsigned last = inRun ? 1 : 2;
    for (; k < n; ++k) {
        const unsigned bits = flags.bits[data[k]];
        changes[count] = static_cast<std::uint32_t>(k);
        count += (bits != 0) & (bits != last);
        last = bits != 0 ? bits : last;
    }
    inRun = last == 1;
    return count;
}

// Right-to-left: walking the line from its end, the runs of two or more held-back bytes
// (those the walk holds back and writes in their own order), as offsets one past their
// first and last byte in the walk's order: high, low, high, low, ... descending, with a last
// low of 0 left out when a run reaches the line's start. The held state of every byte is
// found 16 at a time (a carry chain, see above); a run of one byte, the blank between two
// words, needs nothing and is dropped by masking, so most blocks store nothing.
qsizetype scanHeldRuns(const std::uint8_t* line, qsizetype n, const ClassFlags& flags,
                       std::uint32_t* runs) {
    qsizetype count = 0;
    unsigned held = 0;       // the walk's state after the last byte seen
    unsigned pending = 0;    // held bits of the block waiting for its successor's first bit
    qsizetype pendingAt = 0; // that block's offset (one past its first byte in the walk)
    bool hasPending = false;
    unsigned heldBefore = 0; // held bit of the byte walked just before the pending block
    unsigned runBefore = 0;  // whether that byte is in a run of two or more
    const auto finish = [&](unsigned nextHeld) {
        const unsigned a = pending;
        const unsigned inRun =
            a & (((a << 1) | heldBefore) | (a >> 1) | (nextHeld << 15)) & 0xFFFFu;
        const unsigned flips = (inRun ^ ((inRun << 1) | runBefore)) & 0xFFFFu;
        if (flips != 0) {
            count += storeBits(flips, pendingAt, true, runs + count);
        }
        heldBefore = a >> 15;
        runBefore = inRun >> 15;
    };
    qsizetype k = n;
#if defined(__SSE2__)
    for (; k >= 16; k -= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + k - 16));
        const unsigned persian = static_cast<unsigned>(_mm_movemask_epi8(v));
        const unsigned joining = joiningMask(v);
        // Bit i of the reversed masks is the byte at k - 1 - i, the walk's i-th.
        const unsigned neutral = reverse16(~(persian | joining) & 0xFFFF);
        const unsigned a = neutral | reverse16(joining);
        const unsigned after = (((a + neutral + held) ^ a ^ neutral) >> 1) & 0xFFFF;
        if (hasPending) {
            finish(after & 1);
        }
        pending = after;
        pendingAt = k;
        hasPending = true;
        held = after >> 15;
    }
#endif
    // The bytes left (fewer than 16), one at a time, as one more block.
    unsigned after = 0;
    for (qsizetype i = 0; i < k; ++i) {
        const unsigned bits = flags.bits[line[k - 1 - i]];
        held = bits == 2 ? 1 : bits == 1 ? 0 : held;
        after |= held << i;
    }
    if (hasPending) {
        finish(after & 1);
    }
    if (k > 0) {
        pending = after;
        pendingAt = k;
        finish(0);
    }
    return count;
}

// The right-to-left walk over one line, from its last byte to its first. With the Persian
// flag set, Persian characters and joining punctuation are written as met; a Latin
// character clears the flag and starts a held-back run (everything down to the next Persian
// character), written in its own order when that character is reached or the line begins.
// The writer takes single bytes and ranges [from, to) of the line.
struct RtlWalk {
    bool persian = true;
    qsizetype heldEnd = 0; // one past the held-back run's last byte

    template <typename Writer>
    void visit(const std::uint8_t* data, qsizetype base, qsizetype n, const CharClassTable& cls,
               Writer& writer) {
        for (qsizetype k = n; k-- > 0;) {
            const std::uint8_t c = data[k];
            const int kind = cls[c];
            if (kind == 1) {
                if (!persian) {
                    persian = true;
                    writer.range(base + k + 1, heldEnd);
                }
                writer.byte(c);
            } else if (kind == -1) {
                if (persian) {
                    persian = false;
                    heldEnd = base + k + 1;
                }
            } else if (persian) {
                writer.byte(c);
            }
        }
    }
    template <typename Writer> void finish(Writer& writer) {
        if (!persian) {
            writer.range(0, heldEnd);
        }
    }
};

// Writes a line kept in a spill buffer through the output buffer.
struct SpillWriter {
    SpillBuffer& line;
    OutBuffer& out;
    void byte(std::uint8_t c) { out.put(c); }
    void range(qsizetype from, qsizetype to) { line.copyTo(from, to, out); }
};

// Right-to-left: each chunk is converted whole, remembering where the line ends' units are;
// then every finished line is walked. The unfinished line at the chunk's end is carried in
// a spill buffer.
class RtlSink {
public:
    RtlSink(DestinationFile& file, qsizetype chunkSize, const ConvertOptions& options)
        : m_out(file, 2 * chunkSize + 4 + 2 * ChunkBuffer::kPad), m_conv(chunkSize),
          m_line(options.spillThreshold, options.tempFolder), m_class(CharClass()),
          m_flags(classFlags()) {}

    static constexpr bool kMarksLineEnds = true;

    std::uint8_t* output() { return m_conv.begin(); }
    void lineEnd(qsizetype from, qsizetype to) {
        m_ends.push_back(from);
        m_ends.push_back(to);
    }
    bool endChunk(qsizetype produced) {
        m_conv.setSize(produced);
        const std::uint8_t* data = m_conv.data();
        qsizetype start = 0;
        for (std::size_t k = 0; k < m_ends.size(); k += 2) {
            const qsizetype lineEnd = m_ends[k];
            if (m_line.empty()) {
                walkMemory(data + start, lineEnd - start);
            } else {
                m_line.append(data + start, lineEnd - start);
                walkCarried();
            }
            m_out.append(data + lineEnd, m_ends[k + 1] - lineEnd);
            start = m_ends[k + 1];
        }
        m_line.append(data + start, m_conv.size() - start);
        m_ends.clear();
        return !m_out.failed() && m_line.ok();
    }
    ConvertStatus finish() {
        walkCarried(); // a last line without a line end gets none
        if (!m_line.ok()) {
            return ConvertStatus::ReadFailed;
        }
        return m_out.flush() ? ConvertStatus::Success : ConvertStatus::WriteFailed;
    }

private:
    void walkMemory(const std::uint8_t* line, qsizetype n) {
        if (n + ChunkBuffer::kPad > m_out.capacity()) {
            m_line.append(line, n);
            walkCarried();
            return;
        }
        // The same walk: every stretch the walk writes as met or holds back lands where the
        // whole line reversed would put it, and the bytes written as met come out reversed,
        // so the line is reversed whole and only the held-back runs of two bytes or more
        // are turned back (a blank between words is a run of one).
        m_changes.resize(static_cast<std::size_t>(n) + 17);
        std::uint32_t* runs = m_changes.data();
        const qsizetype count = scanHeldRuns(line, n, m_flags, runs);
        runs[count] = 0;
        std::uint8_t* const first = m_out.reserve(n + ChunkBuffer::kPad);
        reverseWords(first, line, n);
        for (qsizetype i = 0; i < count; i += 2) {
            std::reverse(first + (n - runs[i]), first + (n - runs[i + 1]));
        }
        m_out.advance(n);
    }
    void walkCarried() {
        if (m_line.empty()) {
            return;
        }
        if (m_line.fileSize() == 0 && m_line.memorySize() + ChunkBuffer::kPad <= m_out.capacity()) {
            walkMemory(m_line.memory(), m_line.memorySize());
            m_line.clear();
            return;
        }
        SpillWriter writer{m_line, m_out};
        RtlWalk walk;
        walk.visit(m_line.memory(), m_line.fileSize(), m_line.memorySize(), m_class, writer);
        if (m_line.fileSize() > 0) {
            const qsizetype block = std::min<qsizetype>(m_line.fileSize(), 64 * 1024);
            m_block.resize(static_cast<std::size_t>(block));
            for (qsizetype end = m_line.fileSize(); end > 0 && m_line.ok();) {
                const qsizetype n = std::min(end, block);
                if (m_line.readFile(end - n, n, m_block.data())) {
                    walk.visit(m_block.data(), end - n, n, m_class, writer);
                }
                end -= n;
            }
        }
        walk.finish(writer);
        m_line.clear();
    }

    OutBuffer m_out;
    ChunkBuffer m_conv;
    std::vector<qsizetype> m_ends; // start and end of each line end's output in m_conv
    SpillBuffer m_line;
    std::vector<std::uint8_t> m_block;
    detail::PageVector<std::uint32_t> m_changes;
    const CharClassTable& m_class;
    const ClassFlags& m_flags;
};

// Left-to-right: each run of Persian characters (with the joining punctuation inside it) is
// written reversed when a neutral or Latin character or the end of the file closes it. A
// run still open at a chunk's end is carried in a spill buffer.
class LtrSink {
public:
    LtrSink(DestinationFile& file, qsizetype chunkSize, const ConvertOptions& options)
        : m_out(file, 2 * chunkSize + 4 + 2 * ChunkBuffer::kPad), m_conv(chunkSize),
          m_run(options.spillThreshold, options.tempFolder), m_flags(classFlags()) {}

    static constexpr bool kMarksLineEnds = false;

    std::uint8_t* output() { return m_conv.begin(); }
    void lineEnd(qsizetype, qsizetype) {}
    bool endChunk(qsizetype produced) {
        m_conv.setSize(produced);
        const std::uint8_t* data = m_conv.data();
        const qsizetype n = m_conv.size();
        // Where the run state changes: a Persian character outside a run starts one, a
        // neutral character inside a run ends it. Branch-free, so mixed text costs no
        // mispredicted jumps.
        m_changes.resize(static_cast<std::size_t>(n) + 17);
        std::uint32_t* changes = m_changes.data();
        const bool startsInRun = m_persian;
        const qsizetype count = scanRunChanges(data, n, m_persian, m_flags, changes);
        changes[count] = static_cast<std::uint32_t>(n);
        std::uint8_t* first = m_out.reserve(n + ChunkBuffer::kPad);
        std::uint8_t* next = first;
        qsizetype pos = 0;
        bool run = startsInRun;
        for (qsizetype i = 0; i <= count; ++i) {
            const qsizetype end = changes[i];
            const bool closed = i < count;
            if (!run) {
                next = copyWords(next, data + pos, end - pos);
            } else if (closed && m_run.empty()) {
                next = reverseWords(next, data + pos, end - pos);
            } else {
                // A run carried from an earlier chunk, or one still open at this chunk's end.
                m_run.append(data + pos, end - pos);
                if (closed) {
                    m_out.advance(next - first);
                    m_run.copyReversedTo(m_out);
                    m_run.clear();
                    first = next = m_out.reserve(n - end + ChunkBuffer::kPad);
                }
            }
            pos = end;
            run = !run;
        }
        m_out.advance(next - first);
        return !m_out.failed() && m_run.ok();
    }
    ConvertStatus finish() {
        if (m_persian) {
            m_run.copyReversedTo(m_out);
            m_run.clear();
        }
        if (!m_run.ok()) {
            return ConvertStatus::ReadFailed;
        }
        return m_out.flush() ? ConvertStatus::Success : ConvertStatus::WriteFailed;
    }

private:
    OutBuffer m_out;
    ChunkBuffer m_conv;
    SpillBuffer m_run;
    detail::PageVector<std::uint32_t> m_changes;
    const ClassFlags& m_flags;
    bool m_persian = false;
};

} // namespace

ConvertStatus ConvertTextFile(const QString& source, const QString& destination,
                              const ConversionTable& table, common::Messenger& messenger,
                              const ConvertOptions& options) {
    return runConversion(
        source, destination, table, false, messenger, options,
        [](DestinationFile& file, qsizetype chunk) { return PlainSink(file, chunk); });
}

ConvertStatus ConvertTextFileRtl(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options) {
    return runConversion(source, destination, table, true, messenger, options,
                         [&options](DestinationFile& file, qsizetype chunk) {
                             return RtlSink(file, chunk, options);
                         });
}

ConvertStatus ConvertTextFileLtr(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options) {
    return runConversion(source, destination, table, true, messenger, options,
                         [&options](DestinationFile& file, qsizetype chunk) {
                             return LtrSink(file, chunk, options);
                         });
}

} // namespace zerva::converter
