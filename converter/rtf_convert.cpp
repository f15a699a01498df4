// The RTF converter: a scan for backslashes over a window with a few bytes of look-ahead.
#include "converter/rtf_convert.h"

#include "converter/converter_messages.h"
#include "converter/stream_io.h"
#include "converter/wide_kernels.h"

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
    detail::PageVector<std::int16_t> values = detail::PageVector<std::int16_t>(65536);
    HexPairs() {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int high = kHexValue[i & 0xFF];
            const int low = kHexValue[i >> 8];
            values[i] = static_cast<std::int16_t>((high | low) < 0 ? -1 : high * 16 + low);
        }
    }
};

const detail::PageVector<std::int16_t>& hexPairs() {
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
            m_length[static_cast<std::size_t>(x)] = e.pairHead != 0 || e.noCounterpart
                                                        ? kNotSimple
                                                        : static_cast<std::uint8_t>(e.kind * 4);
        }
        // The whole output of an escape that becomes one escape of the same length, by its
        // two digit characters (as hexPairs() indexes them); kNotPlain for anything else.
        m_plainEscape.assign(65536, kNotPlain);
        const auto& pairs = hexPairs();
        for (std::size_t i = 0; i < m_plainEscape.size(); ++i) {
            const int x = pairs[i];
            if (x >= 0 && m_length[static_cast<std::size_t>(x)] == 4) {
                std::memcpy(&m_plainEscape[i], m_escape[static_cast<std::size_t>(x)].data(), 4);
            }
        }
        m_wide = detail::wideKernelsUsable();
        for (int c = 0; c < 128; ++c) {
            m_wideMap.hexValue[c] =
                static_cast<std::uint8_t>(kHexValue[static_cast<std::size_t>(c)] < 0
                                              ? 0x80
                                              : kHexValue[static_cast<std::size_t>(c)]);
        }
        for (int x = 0; x < 256; ++x) {
            const bool plain = m_length[static_cast<std::size_t>(x)] == 4;
            m_wideMap.out[x] = plain ? table.byte(static_cast<std::uint8_t>(x)).out1 : 0;
            m_wideMap.notPlain[x] = plain ? 0 : 0x80;
        }
    }

    // Escapes of bytes without a counterpart met so far (not those taken into a pair).
    qint64 counted() const { return m_counted; }

    // Converts data[0..n) into out and returns how many bytes were consumed: all of them at
    // the end of the file, otherwise all but a tail that may start an escape or pair not yet
    // complete (fewer than kLookAhead bytes), which is handed in again with the next chunk.
    // Blocks of text and escapes that keep their length go through plainBlock(); whatever
    // else a block holds is taken up to the block's end by careful().
    qsizetype scan(const std::uint8_t* data, qsizetype n, bool atEnd, std::uint8_t*& out) {
        const std::uint8_t* p = data;
        const std::uint8_t* const end = data + n;
        const std::uint8_t* const safeEnd = atEnd ? end : end - std::min(n, kLookAhead);
        std::uint8_t* o = out;
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
            if (m_wide) {
                const qsizetype done = detail::wideRtfRun(m_wideMap, p, safeEnd, end, o);
                p += done;
                o += done;
            } else {
#if defined(__SSE2__)
                // A block's constructs start before safeEnd; its last escape may read 3
                // bytes on.
                while (safeEnd - p >= kBlock && end - p >= kBlock + 3) {
                    const qsizetype done = plainBlock(p, o);
                    if (done == 0) {
                        break;
                    }
                    p += done;
                    o += done;
                }
#endif
            }
            p = careful(p, std::min(p + kBlock, safeEnd), end, o);
        }
        out = o;
        return p - data;
    }

private:
    static constexpr qsizetype kBlock = 64;

#if defined(__SSE2__)
    // Converts the 64 bytes at p when they hold only text, control words other than \l...,
    // and escapes that become one escape (so the output has the block's length): the block
    // is copied and each escape written over with its new form. Returns how far input and output
    // advance (beyond 64 when the last escape runs past the block), or 0 when the block holds
    // anything else; out then holds scratch bytes to be written over. Reads p[0..67) and
    // writes out[0..67).
    qsizetype plainBlock(const std::uint8_t* p, std::uint8_t* out) const {
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i apostrophe = _mm_set1_epi8('\'');
        const __m128i letterL = _mm_set1_epi8('l');
        const auto bits = [](__m128i a, __m128i b, int k) {
            return static_cast<std::uint64_t>(
                       static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))))
                   << k;
        };
        std::uint64_t starts = 0;  // backslashes
        std::uint64_t escapes = 0; // backslashes followed by an apostrophe
        std::uint64_t careful = 0; // backslashes followed by a backslash or an "l"
        for (int k = 0; k < kBlock; k += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 1));
            starts |= bits(v, backslash, k);
            escapes |= bits(next, apostrophe, k);
            careful |= bits(next, backslash, k) | bits(next, letterL, k);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), v);
        }
        if (starts == 0) {
            return kBlock;
        }
        // An escaped backslash or a control word that may be \level needs the careful path;
        // other control words and symbols are copied as they stand.
        if ((starts & careful) != 0) {
            return 0;
        }
        escapes &= starts;
        if (escapes == 0) {
            return kBlock;
        }
        // The escapes, lowest first, four at a time: a whole group costs no branch per
        // escape. Once the bits run out, the last escape is done again (same bytes, same
        // place), so a group never needs a test per escape.
        const int last = 63 - __builtin_clzll(escapes);
        const std::uint64_t lastBit = std::uint64_t{1} << last;
        std::uint32_t flags = 0;
        std::uint64_t left = escapes;
        do {
            for (int r = 0; r < 4; ++r) {
                const int at = __builtin_ctzll(left | lastBit);
                std::uint16_t digits;
                std::memcpy(&digits, p + at + 2, 2);
                const std::uint32_t escape = m_plainEscape[digits];
                flags |= escape;
                std::memcpy(out + at, &escape, 4);
                left &= left - 1;
            }
        } while (left != 0);
        if ((flags & kNotPlain) != 0) {
            return 0;
        }
        return std::max<qsizetype>(kBlock, last + 4);
    }
#endif

    // Converts from p until stop (where no new construct starts; constructs may read on to
    // end) or until a \level group begins; returns where it stopped.
    const std::uint8_t* careful(const std::uint8_t* p, const std::uint8_t* stop,
                                const std::uint8_t* end, std::uint8_t*& out) {
        const detail::PageVector<std::int16_t>& pairs = hexPairs();
        std::uint8_t* o = out;
        while (p < stop && !m_inLevel) {
            if (*p != '\\') {
                const void* slash = std::memchr(p, '\\', static_cast<std::size_t>(stop - p));
                const std::uint8_t* next = slash ? static_cast<const std::uint8_t*>(slash) : stop;
                std::memcpy(o, p, static_cast<std::size_t>(next - p));
                o += next - p;
                p = next;
                continue;
            }
            // Escapes of bytes that start no pair, in a tight loop.
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
                if (p >= stop) {
                    break;
                }
            }
            if (p < stop && *p == '\\') {
                p = backslash(p, end, o);
            }
        }
        out = o;
        return p;
    }

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
        m_counted += e.noCounterpart ? 1 : 0;
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

    // Starts a pair or is counted: left to backslash().
    static constexpr std::uint8_t kNotSimple = 255;
    // Never part of an escape's output: hexadecimal digits are ASCII.
    static constexpr std::uint32_t kNotPlain = 0x80000000u;

    const ConversionTable& m_table;
    std::array<std::array<std::uint8_t, 8>, 256> m_escape{};
    std::array<std::uint8_t, 256> m_length{}; // 0 dropped, 4 or 8; or kNotSimple
    detail::PageVector<std::uint32_t> m_plainEscape;
    bool m_wide = false;
    detail::WideEscapeMap m_wideMap{};
    bool m_inLevel = false;
    qint64 m_counted = 0;
};

} // namespace

ConvertStatus ConvertRtfFile(const QString& sourcePath, const QString& destinationPath,
                             const ConversionTable& table, common::Messenger& messenger,
                             const ConvertOptions& options) {
    detail::SourceFile source;
    if (const common::SourceError opened = source.open(sourcePath);
        opened != common::SourceError::None) {
        return sourceStatus(opened);
    }
    detail::DestinationFile destination(destinationPath);
    if (!destination.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    // The input holds a chunk behind at most kLookAhead bytes kept from the previous one; an
    // escape of 4 bytes becomes at most 8, so the output can at most double (the slack is for
    // the fixed 8-byte copy of an escape's output).
    detail::PageVector<std::uint8_t> in(static_cast<std::size_t>(chunkSize + kLookAhead));
    detail::BufferPair out(destination, 2 * (chunkSize + kLookAhead) + 16);
    RtfScanner scanner(table);
    qsizetype kept = 0;
    ConvertStatus status = ConvertStatus::Success;
    for (;;) {
        const qsizetype n = source.fill(in.data() + kept, chunkSize);
        if (n < 0) {
            status = source.error() == common::SourceError::Changed ? ConvertStatus::SourceChanged
                                                                    : ConvertStatus::ReadFailed;
            break;
        }
        const bool atEnd = n < chunkSize;
        const qsizetype total = kept + n;
        std::uint8_t* const first = out.current();
        std::uint8_t* next = first;
        const qsizetype used = scanner.scan(in.data(), total, atEnd, next);
        if (!out.write(next - first)) {
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
    if (status == ConvertStatus::Success && options.noCounterpart != nullptr) {
        *options.noCounterpart += scanner.counted();
    }
    if (status == ConvertStatus::WriteFailed) {
        messenger.MsgBox(writeFailedMessage(), common::kOkOnly, QString());
    }
    return status;
}

} // namespace zerva::converter
