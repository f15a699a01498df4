// The RTF converter: a scan for backslashes over a window with a few bytes of look-ahead.
#include "converter/rtf_convert.h"

#include "converter/converter_messages.h"
#include "converter/stream_io.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The byte written by the two hexadecimal digits of an escape, indexed by the first digit's
// character plus 256 times the second's, or -1: one load per escape.
struct HexPairs {
    std::array<std::int16_t, 65536> values;
    HexPairs() {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int high = kHexValue[i & 0xFF];
            const int low = kHexValue[i >> 8];
            values[i] = static_cast<std::int16_t>((high | low) < 0 ? -1 : high * 16 + low);
        }
    }
};

const std::array<std::int16_t, 65536>& hexPairs() {
    static const HexPairs table;
    return table.values;
}

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
    explicit RtfScanner(const ConversionTable& table) : m_table(table) {
        // The whole output of an escape of each byte, built once from the table's
        // hexadecimal forms, so the common case is one 8-byte copy. A byte that starts a pair
        // has a length beyond 8 and is left to backslash().
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            const char text[8] = {'\\', '\'', e.out1Hex[0], e.out1Hex[1],
                                  '\\', '\'', e.out2Hex[0], e.out2Hex[1]};
            std::memcpy(m_escape[static_cast<std::size_t>(x)].data(), text, 8);
            m_length[static_cast<std::size_t>(x)] =
                e.pairHead != 0 ? kNotSimple : static_cast<std::uint8_t>(e.kind * 4);
        }
#if defined(__SSE2__)
        // The output of an escape that becomes one escape, by its two digit characters (as
        // hexPairs() indexes them); 0 for anything else.
        m_quad.assign(65536, 0);
        const auto& pairs = hexPairs();
        for (std::size_t i = 0; i < m_quad.size(); ++i) {
            const int x = pairs[i];
            if (x >= 0 && m_length[static_cast<std::size_t>(x)] == 4) {
                std::memcpy(&m_quad[i], m_escape[static_cast<std::size_t>(x)].data(), 4);
            }
        }
#endif
    }

    // Converts data[0..n) into out and returns how many bytes were consumed: all of them at
    // the end of the file, otherwise all but a tail that may start an escape or pair not yet
    // complete (fewer than kLookAhead bytes), which is handed in again with the next chunk.
    // Text between backslashes is copied in spans; a run of escapes of bytes that start no
    // pair is converted in a tight loop; everything else goes through backslash().
    qsizetype scan(const std::uint8_t* data, qsizetype n, bool atEnd, std::uint8_t*& out) {
        const std::uint8_t* p = data;
        const std::uint8_t* const end = data + n;
        const std::uint8_t* const safeEnd = atEnd ? end : end - std::min(n, kLookAhead);
        std::uint8_t* o = out;
        const std::array<std::int16_t, 65536>& pairs = hexPairs();
        while (p < safeEnd) {
            if (m_inLevel) {
                const void* close = std::memchr(p, '}', static_cast<std::size_t>(end - p));
                const std::uint8_t* stop = close ? static_cast<const std::uint8_t*>(close) : end;
                std::memcpy(o, p, static_cast<std::size_t>(stop - p));
                o += stop - p;
                p = stop;
                if (close) {
                    m_inLevel = false;
                }
                continue;
            }
            if (*p != '\\') {
                // Text between escapes is mostly a blank or two: copy a few bytes inline
                // before searching.
                const std::uint8_t* const near = std::min(p + 8, safeEnd);
                do {
                    *o++ = *p++;
                } while (p < near && *p != '\\');
                if (p == near && p < safeEnd && *p != '\\') {
                    const void* slash = std::memchr(p, '\\', static_cast<std::size_t>(safeEnd - p));
                    const std::uint8_t* stop =
                        slash ? static_cast<const std::uint8_t*>(slash) : safeEnd;
                    std::memcpy(o, p, static_cast<std::size_t>(stop - p));
                    o += stop - p;
                    p = stop;
                }
                continue;
            }
#if defined(__SSE2__)
            // Four escapes at a time while each becomes one escape.
            const __m128i shape = _mm_setr_epi8('\\', '\'', 0, 0, '\\', '\'', 0, 0, '\\', '\'', 0,
                                                0, '\\', '\'', 0, 0);
            while (safeEnd - p >= 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                if ((_mm_movemask_epi8(_mm_cmpeq_epi8(v, shape)) & 0x3333) != 0x3333) {
                    break;
                }
                const std::uint32_t a = m_quad[static_cast<std::size_t>(_mm_extract_epi16(v, 1))];
                const std::uint32_t b = m_quad[static_cast<std::size_t>(_mm_extract_epi16(v, 3))];
                const std::uint32_t c = m_quad[static_cast<std::size_t>(_mm_extract_epi16(v, 5))];
                const std::uint32_t d = m_quad[static_cast<std::size_t>(_mm_extract_epi16(v, 7))];
                if (((a & b & c & d) & 0xFFu) != '\\') {
                    break;
                }
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o),
                                 _mm_setr_epi32(static_cast<int>(a), static_cast<int>(b),
                                                static_cast<int>(c), static_cast<int>(d)));
                o += 16;
                p += 16;
            }
            // Then one at a time (x86 is little-endian: backslash and apostrophe read as
            // one 16-bit number are 0x275c).
            while (safeEnd - p >= 4) {
                std::uint32_t word;
                std::memcpy(&word, p, 4);
                const std::uint32_t quad = m_quad[word >> 16];
                if ((word & 0xFFFFu) != 0x275Cu || quad == 0) {
                    break;
                }
                std::memcpy(o, &quad, 4);
                o += 4;
                p += 4;
            }
#endif
            // p < safeEnd, so at least 4 bytes follow unless the file ends.
            while (end - p >= 4) {
                if (p[0] != '\\' || p[1] != '\'') {
                    break;
                }
                const int x = pairs[p[2] | (p[3] << 8)];
                if (x < 0 || m_length[static_cast<std::size_t>(x)] > 8) {
                    break;
                }
                std::memcpy(o, m_escape[static_cast<std::size_t>(x)].data(), 8);
                o += m_length[static_cast<std::size_t>(x)];
                p += 4;
                if (p >= safeEnd) {
                    break;
                }
            }
            if (p < safeEnd && *p == '\\') {
                p = backslash(p, end, o);
            }
        }
        out = o;
        return p - data;
    }

private:
    // Handles the backslash at p; returns where scanning goes on.
    const std::uint8_t* backslash(const std::uint8_t* p, const std::uint8_t* end,
                                  std::uint8_t*& out) {
        *out++ = '\\';
        if (end - p < 2) {
            return p + 1;
        }
        if (p[1] == '\\') {
            *out++ = '\\';
            return p + 2;
        }
        if (p[1] != '\'') {
            static constexpr char kLevel[] = "level";
            if (end - p >= 6 && std::memcmp(p + 1, kLevel, 5) == 0) {
                m_inLevel = true;
            }
            return p + 1;
        }
        const int x = escapeAt(p, end);
        if (x < 0) {
            *out++ = '\'';
            return p + 2;
        }
        const ByteEntry& e = m_table.byte(static_cast<std::uint8_t>(x));
        if (e.pairHead != 0) {
            const int y = escapeAt(p + 4, end);
            if (y >= 0) {
                const PairEntry* pair = m_table.findPairEntry(static_cast<std::uint8_t>(x),
                                                              static_cast<std::uint8_t>(y));
                if (pair != nullptr) {
                    out[0] = '\'';
                    out[1] = static_cast<std::uint8_t>(pair->targetHex[0]);
                    out[2] = static_cast<std::uint8_t>(pair->targetHex[1]);
                    out += 3;
                    return p + 8;
                }
            }
        }
        switch (e.kind) {
        case 0:
            --out; // the character disappears, backslash and all
            break;
        case 1:
            out[0] = '\'';
            out[1] = static_cast<std::uint8_t>(e.out1Hex[0]);
            out[2] = static_cast<std::uint8_t>(e.out1Hex[1]);
            out += 3;
            break;
        default:
            out[0] = '\'';
            out[1] = static_cast<std::uint8_t>(e.out1Hex[0]);
            out[2] = static_cast<std::uint8_t>(e.out1Hex[1]);
            out[3] = '\\';
            out[4] = '\'';
            out[5] = static_cast<std::uint8_t>(e.out2Hex[0]);
            out[6] = static_cast<std::uint8_t>(e.out2Hex[1]);
            out += 7;
            break;
        }
        return p + 4;
    }

    static constexpr std::uint8_t kNotSimple = 255;

    const ConversionTable& m_table;
    std::array<std::array<std::uint8_t, 8>, 256> m_escape{};
    std::array<std::uint8_t, 256> m_length{}; // 0 dropped, 4 or 8; kNotSimple starts a pair
#if defined(__SSE2__)
    std::vector<std::uint32_t> m_quad;
#endif
    bool m_inLevel = false;
};

} // namespace

ConvertStatus ConvertRtfFile(const QString& sourcePath, const QString& destinationPath,
                             const ConversionTable& table, common::Messenger& messenger,
                             const ConvertOptions& options) {
    detail::SourceFile source;
    if (!source.open(sourcePath)) {
        return ConvertStatus::SourceUnreadable;
    }
    detail::DestinationFile destination;
    if (!destination.open(destinationPath)) {
        return ConvertStatus::DestinationUncreatable;
    }
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    // The input holds a chunk behind at most kLookAhead bytes kept from the previous one; an
    // escape of 4 bytes becomes at most 8, so the output can at most double (the slack is for
    // the fixed 8-byte copy of an escape's output).
    std::vector<std::uint8_t> in(static_cast<std::size_t>(chunkSize + kLookAhead));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(2 * (chunkSize + kLookAhead) + 16));
    RtfScanner scanner(table);
    qsizetype kept = 0;
    ConvertStatus status = ConvertStatus::Success;
    for (;;) {
        const qsizetype n = source.fill(in.data() + kept, chunkSize);
        if (n < 0) {
            status = ConvertStatus::ReadFailed;
            break;
        }
        const bool atEnd = n < chunkSize;
        const qsizetype total = kept + n;
        std::uint8_t* next = out.data();
        const qsizetype used = scanner.scan(in.data(), total, atEnd, next);
        if (!destination.write(out.data(), next - out.data())) {
            status = ConvertStatus::WriteFailed;
            break;
        }
        kept = total - used;
        std::memmove(in.data(), in.data() + used, static_cast<std::size_t>(kept));
        if (atEnd) {
            break;
        }
    }
    if (status == ConvertStatus::Success && !destination.commit()) {
        status = ConvertStatus::WriteFailed;
    }
    if (status == ConvertStatus::WriteFailed) {
        messenger.MsgBox(writeFailedMessage(), common::kOkOnly, QString());
    }
    return status;
}

} // namespace zerva::converter
