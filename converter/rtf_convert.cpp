// The RTF converter: a scan for backslashes over a window with a few bytes of look-ahead.
#include "converter/rtf_convert.h"

#include "converter/stream_io.h"
#include "converter/vector_kernels.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zerva::converter {

namespace {

// The longest construct read at once: two escapes forming a pair, \'hh\'hh.
constexpr qsizetype kLookAhead = 8;

constexpr std::array<std::int8_t, 256> makeHexValues() {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = '0'; c <= '9'; ++c) {
        values[c] = static_cast<std::int8_t>(c - '0');
    }
    for (int c = 'a'; c <= 'f'; ++c) {
        values[c] = static_cast<std::int8_t>(c - 'a' + 10);
        values[c - 'a' + 'A'] = static_cast<std::int8_t>(c - 'a' + 10);
    }
    return values;
}

constexpr std::array<std::int8_t, 256> kHexValue = makeHexValues();

// The byte of the escape \'hh at p (p points at the backslash), or -1 when p..p+3 is not one.
int escapeAt(const std::uint8_t* p, const std::uint8_t* end) {
    if (end - p < 4 || p[0] != '\\' || p[1] != '\'') {
        return -1;
    }
    const int high = kHexValue[p[2]];
    const int low = kHexValue[p[3]];
    return (high | low) < 0 ? -1 : high * 16 + low;
}

class RtfScanner {
public:
    RtfScanner(const ConversionTable& table, bool portable) : m_table(table), m_vector(!portable) {
        // The output of an escape of each byte that becomes exactly one escape; 0 for the
        // others (dropped, two bytes, the head of a pair, counted), which backslash() takes.
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            if (e.kind == 1 && e.pairHead == 0 && !e.noCounterpart) {
                std::uint8_t escape[4];
                writeEscape(escape, e.out1Hex);
                std::memcpy(&m_oneEscape[static_cast<std::size_t>(x)], escape, 4);
                m_blocks.out[static_cast<std::size_t>(x)] = e.out1;
                m_blocks.simpleBits[static_cast<std::size_t>(x / 8)] |=
                    static_cast<std::uint8_t>(1 << (x % 8));
            }
        }
    }

    // Escapes of bytes without a counterpart met so far (not those taken into a pair).
    qint64 counted() const { return m_counted; }

    // Converts data[0..n) into out and returns how many bytes were consumed: all of them at
    // the end of the file, otherwise all but a tail that may start an escape or pair not yet
    // complete (fewer than kLookAhead bytes), which is handed in again with the next chunk.
    // Blocks of text and escapes that keep their length go through the vector kernel; where
    // it stops, the loop below takes the next 64 bytes' constructs one by one.
    qsizetype scan(const std::uint8_t* data, qsizetype n, bool atEnd, std::uint8_t*& out) {
        const std::uint8_t* p = data;
        const std::uint8_t* const end = data + n;
        // No construct may start at or after safeEnd: it may read on to end.
        const std::uint8_t* const safeEnd = atEnd ? end : end - std::min(n, kLookAhead);
        const std::uint8_t* vectorFrom = p;
        std::uint8_t* o = out;
        while (p < safeEnd) {
            if (m_inLevel) {
                // Up to and including the next "}" everything is copied unchanged.
                const void* close = std::memchr(p, '}', static_cast<std::size_t>(end - p));
                const std::uint8_t* stop = close ? static_cast<const std::uint8_t*>(close) : end;
                o = copy(p, stop, o);
                p = stop;
                m_inLevel = close == nullptr;
                continue;
            }
            if (m_vector && p >= vectorFrom) {
                const qsizetype done =
                    convertEscapeBlocks(m_blocks, p, std::min(safeEnd, end - 1), o);
                p += done;
                o += done;
                vectorFrom = p + 64;
                if (p >= safeEnd) {
                    break;
                }
            }
            if (*p != '\\') {
                // Text up to the next backslash.
                const void* slash = std::memchr(p, '\\', static_cast<std::size_t>(safeEnd - p));
                const std::uint8_t* next =
                    slash ? static_cast<const std::uint8_t*>(slash) : safeEnd;
                o = copy(p, next, o);
                p = next;
                continue;
            }
            // The common case first: an escape of a byte that becomes one escape.
            if (end - p >= 4 && p[1] == '\'') {
                const int high = kHexValue[p[2]];
                const int low = kHexValue[p[3]];
                const std::uint32_t escape =
                    (high | low) < 0 ? 0 : m_oneEscape[static_cast<std::size_t>(high * 16 + low)];
                if (escape != 0) {
                    std::memcpy(o, &escape, 4);
                    o += 4;
                    p += 4;
                    continue;
                }
            }
            p = backslash(p, end, o);
        }
        out = o;
        return p - data;
    }

private:
    static std::uint8_t* copy(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out) {
        std::memcpy(out, from, static_cast<std::size_t>(to - from));
        return out + (to - from);
    }

    static std::uint8_t* writeEscape(std::uint8_t* out, const std::array<char, 2>& hex) {
        out[0] = '\\';
        out[1] = '\'';
        out[2] = static_cast<std::uint8_t>(hex[0]);
        out[3] = static_cast<std::uint8_t>(hex[1]);
        return out + 4;
    }

    // Handles the backslash at p; returns where scanning goes on.
    const std::uint8_t* backslash(const std::uint8_t* p, const std::uint8_t* end,
                                  std::uint8_t*& out) {
        if (end - p < 2) {
            *out++ = '\\';
            return p + 1;
        }
        if (p[1] == '\\') { // an escaped backslash starts nothing
            out = copy(p, p + 2, out);
            return p + 2;
        }
        const int x = escapeAt(p, end);
        if (x < 0) {
            if (p[1] != '\'') {
                static constexpr char kLevel[] = "level";
                if (end - p >= 6 && std::memcmp(p + 1, kLevel, 5) == 0) {
                    m_inLevel = true;
                }
                *out++ = '\\';
                return p + 1;
            }
            out = copy(p, p + 2, out); // a malformed escape stays as it is
            return p + 2;
        }
        const ByteEntry& e = m_table.byte(static_cast<std::uint8_t>(x));
        if (e.pairHead != 0) {
            const int y = escapeAt(p + 4, end);
            if (y >= 0) {
                const PairEntry* pair = m_table.findPairEntry(static_cast<std::uint8_t>(x),
                                                              static_cast<std::uint8_t>(y));
                if (pair != nullptr) {
                    out = writeEscape(out, pair->targetHex);
                    return p + 8;
                }
            }
        }
        m_counted += e.noCounterpart ? 1 : 0;
        if (e.kind >= 1) {
            out = writeEscape(out, e.out1Hex);
        }
        if (e.kind == 2) {
            out = writeEscape(out, e.out2Hex);
        }
        return p + 4;
    }

    const ConversionTable& m_table;
    const bool m_vector;
    std::array<std::uint32_t, 256> m_oneEscape{};
    EscapeTables m_blocks; // the vector kernel's form of the same
    bool m_inLevel = false;
    qint64 m_counted = 0;
};

ConvertStatus convertRtf(detail::Source& source, detail::Sink& sink, const ConversionTable& table,
                         const ConvertOptions& options) {
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    detail::Output out(sink, 2 * (chunkSize + kLookAhead));
    if (!out.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    // An escape of 4 bytes becomes at most 8, so the output can at most double.
    detail::ChunkReader reader(source, chunkSize, kLookAhead);
    RtfScanner scanner(table, options.portableLoops);
    ConvertStatus status = ConvertStatus::Success;
    while (reader.next()) {
        std::uint8_t* const first = out.reserve(2 * reader.size());
        std::uint8_t* next = first;
        reader.keepFrom(scanner.scan(reader.data(), reader.size(), reader.atEnd(), next));
        out.advance(next - first);
        if (out.failed()) {
            status = ConvertStatus::WriteFailed;
            break;
        }
    }
    if (status == ConvertStatus::Success) {
        status = reader.status();
    }
    return detail::finishConversion(status, out, scanner.counted(), options);
}

} // namespace

ConvertStatus ConvertRtfFile(const QString& source, const QString& destination,
                             const ConversionTable& table, common::Messenger& messenger,
                             const ConvertOptions& options) {
    return detail::convertFile(
        source, destination, messenger,
        [&](detail::Source& in, detail::Sink& out) { return convertRtf(in, out, table, options); });
}

ConvertStatus ConvertRtfBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                              const ConvertOptions& options) {
    out.clear();
    detail::SourceBytes source(in);
    detail::DestinationBytes sink(out);
    return convertRtf(source, sink, table, options);
}

} // namespace zerva::converter
