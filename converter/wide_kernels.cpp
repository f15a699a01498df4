// The wide kernels: AVX-512 VBMI, chosen at run time; elsewhere they are never called.
#include "converter/wide_kernels.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZERVA_WIDE_KERNELS 1
#include <immintrin.h>
#endif

namespace zerva::converter::detail {

namespace {

std::atomic<bool> g_allowed{true};

bool processorHasWideKernels() {
#if defined(ZERVA_WIDE_KERNELS)
    // The compiler's run-time check also asks the system whether it saves the 512-bit state.
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
#else
    return false;
#endif
}

} // namespace

bool wideKernelsUsable() {
    return g_allowed.load(std::memory_order_relaxed) && processorHasWideKernels();
}

void setWideKernelsAllowed(bool allowed) {
    g_allowed.store(allowed, std::memory_order_relaxed);
}

#if defined(ZERVA_WIDE_KERNELS)

#define ZERVA_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi")))

namespace {

// The 256-byte table at t, looked up for each byte of v.
struct Table256 {
    __m512i q0, q1, q2, q3;
    ZERVA_WIDE explicit Table256(const std::uint8_t* t)
        : q0(_mm512_load_si512(t)), q1(_mm512_load_si512(t + 64)), q2(_mm512_load_si512(t + 128)),
          q3(_mm512_load_si512(t + 192)) {}
    ZERVA_WIDE __m512i operator()(__m512i v) const {
        // Each permute picks among 128 entries by the low seven bits; the top bit chooses
        // between the two halves.
        const __m512i low = _mm512_permutex2var_epi8(q0, v, q1);
        const __m512i high = _mm512_permutex2var_epi8(q2, v, q3);
        return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
    }
};

} // namespace

ZERVA_WIDE bool wideMapBytes(const WideByteMap& map, const std::uint8_t* in, std::uint8_t* out,
                             qsizetype n) {
    const Table256 convert(map.out);
    const Table256 special(map.special);
    __m512i flags = _mm512_setzero_si512();
    qsizetype k = 0;
    for (; k + 64 <= n; k += 64) {
        const __m512i v = _mm512_loadu_si512(in + k);
        _mm512_storeu_si512(out + k, convert(v));
        flags = _mm512_or_si512(flags, special(v));
    }
    if (k < n) {
        const __mmask64 tail = (std::uint64_t{1} << (n - k)) - 1;
        const __m512i v = _mm512_maskz_loadu_epi8(tail, in + k);
        _mm512_mask_storeu_epi8(out + k, tail, convert(v));
        flags = _mm512_or_si512(flags, _mm512_maskz_mov_epi8(tail, special(v)));
    }
    return _mm512_movepi8_mask(flags) == 0;
}

ZERVA_WIDE qsizetype wideRtfRun(const WideEscapeMap& map, const std::uint8_t* p,
                                const std::uint8_t* safeEnd, const std::uint8_t* end,
                                std::uint8_t* out) {
    const __m512i hexLow = _mm512_load_si512(map.hexValue);
    const __m512i hexHigh = _mm512_load_si512(map.hexValue + 64);
    const Table256 convert(map.out);
    const Table256 notPlain(map.notPlain);
    // The digit characters in each 128-bit lane, as the byte shuffle reads them.
    alignas(64) std::uint8_t digitLanes[64];
    for (int j = 0; j < 64; ++j) {
        digitLanes[j] = static_cast<std::uint8_t>("0123456789abcdef"[j & 15]);
    }
    const __m512i digits = _mm512_load_si512(digitLanes);
    // Lane j takes lane j - 2 (j - 3): an escape's digits stand two and three bytes after
    // its backslash.
    alignas(64) std::uint8_t back2[64];
    alignas(64) std::uint8_t back3[64];
    for (int j = 0; j < 64; ++j) {
        back2[j] = static_cast<std::uint8_t>((j + 62) & 63);
        back3[j] = static_cast<std::uint8_t>((j + 61) & 63);
    }
    const __m512i shift2 = _mm512_load_si512(back2);
    const __m512i shift3 = _mm512_load_si512(back3);
    const __m512i backslash = _mm512_set1_epi8('\\');
    const __m512i apostrophe = _mm512_set1_epi8('\'');
    const __m512i letterL = _mm512_set1_epi8('l');
    const __m512i nibble = _mm512_set1_epi8(0x0F);

    const std::uint8_t* const first = p;
    // Every block is 64 bytes on: an escape that starts in a block's last three bytes is
    // converted with it, and the digits it takes from the next block are left alone there.
    // (No block's start waits on the one before, so the loads run ahead.) taken marks the
    // first bytes of a block that belong to the last one's escape; their output is kept in
    // carried and blended in, as plain stores cost less than masked ones.
    __mmask64 taken = 0;
    __m512i carried = _mm512_setzero_si512();
    while (safeEnd - p >= 64 && end - p >= 67) {
        const __m512i v0 = _mm512_loadu_si512(p);
        const __mmask64 starts = _mm512_cmpeq_epi8_mask(v0, backslash);
        if (starts == 0) {
            _mm512_storeu_si512(out, _mm512_mask_blend_epi8(taken, v0, carried));
            taken = 0;
            p += 64;
            out += 64;
            continue;
        }
        const __m512i v1 = _mm512_loadu_si512(p + 1);
        const __mmask64 escapes = starts & _mm512_cmpeq_epi8_mask(v1, apostrophe);
        // An escaped backslash or a control word that may be \level needs the careful path.
        const __mmask64 careful =
            starts & (_mm512_cmpeq_epi8_mask(v1, backslash) | _mm512_cmpeq_epi8_mask(v1, letterL));
        if (careful != 0) {
            break;
        }
        // The byte each place would stand for as an escape's first digit.
        const __m512i d1 = _mm512_loadu_si512(p + 2);
        const __m512i d2 = _mm512_loadu_si512(p + 3);
        const __m512i h1 = _mm512_permutex2var_epi8(hexLow, d1, hexHigh);
        const __m512i h2 = _mm512_permutex2var_epi8(hexLow, d2, hexHigh);
        const __mmask64 notDigits =
            _mm512_movepi8_mask(_mm512_or_si512(_mm512_or_si512(h1, h2), _mm512_or_si512(d1, d2)));
        const __m512i x = _mm512_or_si512(
            _mm512_and_si512(_mm512_slli_epi16(h1, 4), _mm512_set1_epi8(static_cast<char>(0xF0))),
            h2);
        if ((escapes & (notDigits | _mm512_movepi8_mask(notPlain(x)))) != 0) {
            break;
        }
        const __m512i y = convert(x);
        const __m512i high =
            _mm512_shuffle_epi8(digits, _mm512_and_si512(_mm512_srli_epi16(y, 4), nibble));
        const __m512i low = _mm512_shuffle_epi8(digits, _mm512_and_si512(y, nibble));
        // Rotated into place: lanes that wrap round hold the digits of an escape that
        // starts in the last bytes, for the start of the next block.
        const __m512i highAt = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, shift2, high);
        const __m512i lowAt = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, shift3, low);
        __m512i result = _mm512_mask_blend_epi8(escapes << 2, v0, highAt);
        result = _mm512_mask_blend_epi8(escapes << 3, result, lowAt);
        _mm512_storeu_si512(out, _mm512_mask_blend_epi8(taken, result, carried));
        // An escape at 61, 62 or 63 (at most one: an escape's digits are no backslashes)
        // has its last one, two or three bytes in the next block: its low digit, the high
        // one before that, and for one at 63 the apostrophe first.
        const __mmask64 late = escapes >> 61;
        carried = _mm512_mask_blend_epi8(late >> 2, _mm512_mask_blend_epi8(late, highAt, lowAt),
                                         apostrophe);
        taken = late | late >> 1 | late >> 2;
        p += 64;
        out += 64;
    }
    // The bytes the last escape took are done too.
    _mm512_mask_storeu_epi8(out, taken, carried);
    const auto extra = static_cast<qsizetype>(__builtin_popcountll(taken));
    return p - first + extra;
}

#else

bool wideMapBytes(const WideByteMap&, const std::uint8_t*, std::uint8_t*, qsizetype) {
    return false;
}

qsizetype wideRtfRun(const WideEscapeMap&, const std::uint8_t*, const std::uint8_t*,
                     const std::uint8_t*, std::uint8_t*) {
    return 0;
}

#endif

} // namespace zerva::converter::detail
