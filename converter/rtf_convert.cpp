// The RTF converter: a scan for backslashes over a window with a few bytes of look-ahead.
#include "converter/rtf_convert.h"

#include "converter/converter_messages.h"
#include "converter/stream_io.h"

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
    explicit RtfScanner(const ConversionTable& table) : m_table(table) {
        // The whole output of an escape of each byte that starts no pair, built once from the
        // table's hexadecimal forms, so the common case is one 8-byte copy.
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            Escape& esc = m_escape[x];
            const char text[8] = {'\\', '\'', e.out1Hex[0], e.out1Hex[1],
                                  '\\', '\'', e.out2Hex[0], e.out2Hex[1]};
            std::memcpy(esc.bytes.data(), text, 8);
            esc.length = static_cast<std::uint8_t>(e.kind * 4);
            esc.simple = e.pairHead == 0;
        }
    }

    // Converts data[0..n) into out and returns how many bytes were consumed: all of them at
    // the end of the file, otherwise all but a tail that may start an escape or pair not yet
    // complete (fewer than kLookAhead bytes), which is handed in again with the next chunk.
    qsizetype scan(const std::uint8_t* data, qsizetype n, bool atEnd, std::uint8_t*& out) {
        const std::uint8_t* p = data;
        const std::uint8_t* const end = data + n;
        const std::uint8_t* const safeEnd = atEnd ? end : end - std::min(n, kLookAhead);
        while (p < safeEnd) {
            if (m_inLevel) {
                const void* close = std::memchr(p, '}', static_cast<std::size_t>(end - p));
                const std::uint8_t* stop = close ? static_cast<const std::uint8_t*>(close) : end;
                std::memcpy(out, p, static_cast<std::size_t>(stop - p));
                out += stop - p;
                p = stop;
                if (close) {
                    m_inLevel = false;
                }
                continue;
            }
            const std::uint8_t c = *p;
            if (c != '\\') {
                *out++ = c;
                ++p;
                continue;
            }
            if (end - p >= 4 && p[1] == '\'') {
                const int high = kHexValue[p[2]];
                const int low = kHexValue[p[3]];
                if ((high | low) >= 0) {
                    const Escape& esc = m_escape[high * 16 + low];
                    if (esc.simple) {
                        std::memcpy(out, esc.bytes.data(), 8);
                        out += esc.length;
                        p += 4;
                        continue;
                    }
                }
            }
            p = backslash(p, end, out);
        }
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

    struct Escape {
        std::array<std::uint8_t, 8> bytes;
        std::uint8_t length; // 0 for a dropped byte, 4 or 8
        bool simple;         // starts no pair entry
    };

    const ConversionTable& m_table;
    std::array<Escape, 256> m_escape{};
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
