// Reversing bytes eight at a time: a run of a Persian word or a whole line is turned around
// with a few word swaps instead of a loop over its bytes.
#pragma once

#include <QtGlobal>

#include <cstdint>
#include <cstring>

namespace zerva::converter::detail {

template <typename Word> inline Word loadWord(const std::uint8_t* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

template <typename Word> inline void storeWord(std::uint8_t* p, Word w) {
    std::memcpy(p, &w, sizeof w);
}

// Reverses p[0..n) in place: pairs of words from both ends, then the middle as two
// overlapping words (each holds the bytes the other end of the result needs).
inline void reverseBytes(std::uint8_t* p, qsizetype n) {
    while (n >= 16) {
        const auto head = loadWord<std::uint64_t>(p);
        const auto tail = loadWord<std::uint64_t>(p + n - 8);
        storeWord(p, __builtin_bswap64(tail));
        storeWord(p + n - 8, __builtin_bswap64(head));
        p += 8;
        n -= 16;
    }
    if (n >= 8) {
        const auto head = loadWord<std::uint64_t>(p);
        const auto tail = loadWord<std::uint64_t>(p + n - 8);
        storeWord(p, __builtin_bswap64(tail));
        storeWord(p + n - 8, __builtin_bswap64(head));
    } else if (n >= 4) {
        const auto head = loadWord<std::uint32_t>(p);
        const auto tail = loadWord<std::uint32_t>(p + n - 4);
        storeWord(p, __builtin_bswap32(tail));
        storeWord(p + n - 4, __builtin_bswap32(head));
    } else if (n >= 2) {
        const std::uint8_t first = p[0];
        p[0] = p[n - 1];
        p[n - 1] = first;
    }
}

// The same where the 8 bytes from p may all be read and written (those beyond the range are
// written back as they were): a range of up to 8 bytes, a word as most Persian words are,
// costs one word swap and no branch on its length.
inline void reverseBytesPadded(std::uint8_t* p, qsizetype n) {
    if (n > 8) {
        reverseBytes(p, n);
        return;
    }
    const auto word = loadWord<std::uint64_t>(p);
    const auto bits = static_cast<unsigned>(8 * n);
    // The range reversed lands in the low n bytes; the bytes above it keep their values.
    const std::uint64_t reversed = n == 0 ? 0 : __builtin_bswap64(word) >> (64 - bits);
    const std::uint64_t keep = n == 8 ? 0 : ~std::uint64_t{0} << bits;
    storeWord(p, (word & keep) | (reversed & ~keep));
}

// Writes from[0..n) to to[0..n) in reverse order; the ranges must not overlap.
inline void reverseCopy(const std::uint8_t* from, qsizetype n, std::uint8_t* to) {
    qsizetype k = 0;
    for (; k + 8 <= n; k += 8) {
        storeWord(to + k, __builtin_bswap64(loadWord<std::uint64_t>(from + n - k - 8)));
    }
    const qsizetype left = n - k; // the first `left` bytes of from, reversed, end the result
    if (left >= 4) {
        storeWord(to + k, __builtin_bswap32(loadWord<std::uint32_t>(from + left - 4)));
        storeWord(to + n - 4, __builtin_bswap32(loadWord<std::uint32_t>(from)));
    } else {
        for (qsizetype i = 0; i < left; ++i) {
            to[k + i] = from[left - 1 - i];
        }
    }
}

} // namespace zerva::converter::detail
