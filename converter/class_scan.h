// Where the Persian and the neutral bytes of a block are, as bit masks, so that the walks
// step from one change of class to the next instead of looking at every byte. The classes
// are those of CharClass(); joining punctuation is in neither mask.
#pragma once

#include "converter/vector_kernels.h"

#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace zerva::converter {

class ClassMasks {
public:
    // Scans data[0..n); the masks then describe these bytes, offset 0 being data[0].
    // portable: the plain loop instead of the vector kernel.
    void scan(const std::uint8_t* data, qsizetype n, bool portable);

    // The per-byte class bits (bit 0 Persian, bit 1 neutral) that scan() looks up, for a
    // stage that fills the masks itself while it reads the bytes for another reason.
    static const ByteTable& classBits();
    // Room for the masks of n bytes, to be filled through persianWords() and neutralWords().
    void resize(qsizetype n) {
        const auto words = static_cast<std::size_t>((n + 63) / 64);
        m_persian.resize(words);
        m_neutral.resize(words);
    }
    std::uint64_t* persianWords() { return m_persian.data(); }
    std::uint64_t* neutralWords() { return m_neutral.data(); }

    // The first offset in [from, to) holding a Persian (neutral) byte, or to when none does.
    qsizetype nextPersian(qsizetype from, qsizetype to) const { return next(m_persian, from, to); }
    qsizetype nextNeutral(qsizetype from, qsizetype to) const { return next(m_neutral, from, to); }
    // The last offset in [from, to) holding a Persian (neutral) byte, or from - 1 when none.
    qsizetype prevPersian(qsizetype from, qsizetype to) const { return prev(m_persian, from, to); }
    qsizetype prevNeutral(qsizetype from, qsizetype to) const { return prev(m_neutral, from, to); }

    // The first offset i in [from, to - 1) where both i and i + 1 hold bytes that are not
    // Persian, or to when there is none.
    qsizetype nextNonPersianPair(qsizetype from, qsizetype to) const {
        if (to - from < 2) {
            return to;
        }
        const qsizetype last = to - 2; // the last offset that may start a pair
        auto w = static_cast<std::size_t>(from / 64);
        const auto lastWord = static_cast<std::size_t>(last / 64);
        std::uint64_t bits = pairsIn(w) & (~std::uint64_t{0} << (from % 64));
        while (bits == 0) {
            if (++w > lastWord) {
                return to;
            }
            bits = pairsIn(w);
        }
        const qsizetype at = static_cast<qsizetype>(w) * 64 + __builtin_ctzll(bits);
        return at <= last ? at : to;
    }

    // The offsets in [from, n) where a Persian run starts or ends, ascending, appended to
    // changes: outside a run at from, a Persian byte starts one and the next neutral byte
    // ends it; joining punctuation changes nothing. The same as stepping with nextPersian()
    // and nextNeutral(), but the state after every byte of a word comes from one addition
    // (Persian bytes generate a carry, joining ones pass it on, neutral ones stop it), so
    // the runs cost no branch each.
    void runChanges(qsizetype from, qsizetype n, std::vector<qsizetype>& changes) const;

    // The masks as scanned: bit k of word w stands for offset 64w + k.
    const std::vector<std::uint64_t>& persian() const { return m_persian; }
    const std::vector<std::uint64_t>& neutral() const { return m_neutral; }

private:
    // Bit k: offsets 64w + k and the one after are both not Persian.
    std::uint64_t pairsIn(std::size_t w) const {
        const std::uint64_t persian = m_persian[w];
        const std::uint64_t following = w + 1 < m_persian.size() ? m_persian[w + 1] << 63 : 0;
        return ~persian & ~((persian >> 1) | following);
    }

    static qsizetype next(const std::vector<std::uint64_t>& mask, qsizetype from, qsizetype to) {
        if (from >= to) {
            return to;
        }
        auto w = static_cast<std::size_t>(from / 64);
        std::uint64_t bits = mask[w] & (~std::uint64_t{0} << (from % 64));
        const auto last = static_cast<std::size_t>((to - 1) / 64);
        while (bits == 0) {
            if (++w > last) {
                return to;
            }
            bits = mask[w];
        }
        const qsizetype at = static_cast<qsizetype>(w) * 64 + __builtin_ctzll(bits);
        return at < to ? at : to;
    }

    static qsizetype prev(const std::vector<std::uint64_t>& mask, qsizetype from, qsizetype to) {
        if (from >= to) {
            return from - 1;
        }
        auto w = static_cast<std::size_t>((to - 1) / 64);
        const int top = static_cast<int>((to - 1) % 64);
        std::uint64_t bits = mask[w] & (~std::uint64_t{0} >> (63 - top));
        const auto first = static_cast<std::size_t>(from / 64);
        while (bits == 0) {
            if (w == first) {
                return from - 1;
            }
            bits = mask[--w];
        }
        const qsizetype at = static_cast<qsizetype>(w) * 64 + 63 - __builtin_clzll(bits);
        return at >= from ? at : from - 1;
    }

    std::vector<std::uint64_t> m_persian;
    std::vector<std::uint64_t> m_neutral;
};

} // namespace zerva::converter
