// Segment, the converters' first stage: what the table makes of the source, unit by unit.
#pragma once

#include "converter/class_scan.h"
#include "converter/conversion_table.h"
#include "converter/vector_kernels.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <vector>

namespace zerva::converter::detail {

inline bool isLineEnd(std::uint8_t x) {
    return x == '\n' || x == '\r';
}

// Per byte, for the loops that take bytes that are units by themselves one lookup at a time:
// 0 such a byte, 1 a line end, 2 a byte that may start a pair or is counted (the general
// loop takes it).
inline std::array<std::uint8_t, 256> unitKinds(const ConversionTable& table) {
    std::array<std::uint8_t, 256> kinds{};
    for (int x = 0; x < 256; ++x) {
        const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
        kinds[static_cast<std::size_t>(x)] =
            e.pairHead != 0 || e.noCounterpart ? 2
                                               : (isLineEnd(static_cast<std::uint8_t>(x)) ? 1 : 0);
    }
    return kinds;
}

// What the table makes of the source, unit by unit. A unit is one source byte, or
// the two of a matched pair entry; it gives at most two output bytes.
class Segmenter {
public:
    // secondFirst: a byte of kind 2 gives out2 then out1 (the reordering converters' order).
    Segmenter(const ConversionTable& table, bool secondFirst) : m_table(table) {
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            Unit& u = m_units[static_cast<std::size_t>(x)];
            u.length = e.kind;
            u.bytes[0] = (e.kind == 2 && secondFirst) ? e.out2 : e.out1;
            u.bytes[1] = (e.kind == 2 && secondFirst) ? e.out1 : e.out2;
            u.pairHead = e.pairHead != 0;
            u.counted = e.noCounterpart;
            m_firstByte[static_cast<std::size_t>(x)] = u.bytes[0];
            const bool simple = e.kind == 1 && !u.pairHead && !u.counted;
            const int outputClass = ClassMasks::classBits()[u.bytes[0]];
            m_kinds[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(
                (simple ? 0 : 1) | (isLineEnd(static_cast<std::uint8_t>(x)) ? 2 : 0) |
                outputClass << 2);
        }
    }

    // Segments in[0..n) into units and hands each to write(x, pair): x its first source byte,
    // pair its pair entry or null; write puts out the unit's output and returns the output's
    // length so far. Returns how many source bytes it took: all of them at the end of the
    // source, otherwise all but a last byte that may start a pair, which comes again at the
    // head of the next chunk. lineEnd(from, to) is told the output of each unit whose first
    // source byte is a line feed or carriage return. produced receives the output's length.
    template <typename Write, typename LineEnd>
    qsizetype segment(const std::uint8_t* in, qsizetype n, bool atEnd, Write&& write,
                      qsizetype& produced, LineEnd&& lineEnd) {
        qsizetype i = 0;
        qsizetype o = 0;
        while (i < n) {
            const std::uint8_t x = in[i];
            const Unit& u = m_units[x];
            if (u.pairHead && i + 1 == n && !atEnd) {
                break;
            }
            const PairEntry* pair =
                u.pairHead && i + 1 < n ? m_table.findPairEntry(x, in[i + 1]) : nullptr;
            const qsizetype start = o;
            o = write(x, pair);
            if (pair == nullptr) {
                m_counted += u.counted ? 1 : 0;
            }
            if (isLineEnd(x)) {
                lineEnd(start, o);
            }
            i += pair != nullptr ? 2 : 1;
        }
        produced = o;
        return i;
    }

    // The same, writing each unit's code page 1256 bytes into out (room for 2n bytes).
    template <typename LineEnd>
    qsizetype run(const std::uint8_t* in, qsizetype n, bool atEnd, std::uint8_t* out,
                  qsizetype& produced, LineEnd&& lineEnd) {
        qsizetype o = 0;
        return segment(
            in, n, atEnd,
            [&](std::uint8_t x, const PairEntry* pair) {
                if (pair != nullptr) {
                    out[o++] = pair->target;
                } else {
                    const Unit& u = m_units[x];
                    out[o] = u.bytes[0];
                    out[o + 1] = u.bytes[1];
                    o += u.length;
                }
                return o;
            },
            produced, lineEnd);
    }

    // Conversion of a chunk in which every byte converts to exactly one byte, through one
    // table lookup per byte; false (out then holds scratch bytes) when any byte does not.
    // Each output byte then stands where its source byte stood: lineEnd is told where the
    // line ends are, and masks receive the classes of the output bytes; without reordering
    // neither is needed.
    template <typename LineEnd>
    bool runSimple(const std::uint8_t* in, qsizetype n, std::uint8_t* out, bool portable,
                   bool reorders, LineEnd&& lineEnd, ClassMasks& masks) {
        const auto words = static_cast<std::size_t>((n + 63) / 64);
        m_special.resize(words);
        m_lineEnds.resize(words);
        masks.resize(n);
        std::uint64_t* const planes[4] = {m_special.data(), m_lineEnds.data(), masks.persianWords(),
                                          masks.neutralWords()};
        lookupBytesAndBits(m_firstByte, m_kinds, in, out, n, planes, reorders ? 4 : 1, portable);
        for (const std::uint64_t w : m_special) {
            if (w != 0) {
                return false;
            }
        }
        for (std::size_t w = 0; reorders && w < words; ++w) {
            for (std::uint64_t bits = m_lineEnds[w]; bits != 0; bits &= bits - 1) {
                const auto at = static_cast<qsizetype>(w * 64) + __builtin_ctzll(bits);
                lineEnd(at, at + 1);
            }
        }
        return true;
    }

    // Source bytes without a counterpart met so far, outside matched pairs.
    qint64 counted() const { return m_counted; }

private:
    struct Unit {
        std::uint8_t length = 1;
        std::uint8_t bytes[2] = {0, 0};
        bool pairHead = false;
        bool counted = false;
    };

    const ConversionTable& m_table;
    std::array<Unit, 256> m_units{};
    ByteTable m_firstByte{}; // the output of a byte that converts to one byte
    // Bit 0: the byte does not convert to one byte; bit 1: a line end; bits 2 and 3: the
    // class bits of its output byte.
    ByteTable m_kinds{};
    std::vector<std::uint64_t> m_special;
    std::vector<std::uint64_t> m_lineEnds;
    qint64 m_counted = 0;
};

} // namespace zerva::converter::detail
