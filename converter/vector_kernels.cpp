// The vector kernels. A vector cannot index a 256-entry table directly on most processors,
// but every one can look up 16 entries by the low four bits of each byte: the table is
// taken as 16 rows of 16, every row is looked up, and each byte keeps the result of the row
// its high four bits name.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "converter/vector_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "converter/vector_kernels.h"

#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace zerva::converter::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<std::uint8_t>;
using V = hn::Vec<D>;

struct Rows {
    V row[16];
    explicit Rows(const std::uint8_t* table) {
        const D d;
        for (int h = 0; h < 16; ++h) {
            row[h] = hn::LoadDup128(d, table + 16 * h);
        }
    }
    V lookup(V bytes) const {
        const D d;
        const V low = hn::And(bytes, hn::Set(d, 15));
        const V high = hn::ShiftRight<4>(bytes);
        V result = hn::TableLookupBytes(row[0], low);
        for (int h = 1; h < 16; ++h) {
            const auto inRow = hn::Eq(high, hn::Set(d, static_cast<std::uint8_t>(h)));
            result = hn::IfThenElse(inRow, hn::TableLookupBytes(row[h], low), result);
        }
        return result;
    }
    // The same for two tables at once, sharing the work of finding each byte's row.
    static void lookup2(const Rows& a, const Rows& b, V bytes, V& resultA, V& resultB) {
        const D d;
        const V low = hn::And(bytes, hn::Set(d, 15));
        const V high = hn::ShiftRight<4>(bytes);
        resultA = hn::TableLookupBytes(a.row[0], low);
        resultB = hn::TableLookupBytes(b.row[0], low);
        for (int h = 1; h < 16; ++h) {
            const auto inRow = hn::Eq(high, hn::Set(d, static_cast<std::uint8_t>(h)));
            resultA = hn::IfThenElse(inRow, hn::TableLookupBytes(a.row[h], low), resultA);
            resultB = hn::IfThenElse(inRow, hn::TableLookupBytes(b.row[h], low), resultB);
        }
    }
};

// Returns how many bytes it did (whole vectors); the caller does the rest.
std::size_t LookupBytesVector(const std::uint8_t* table, const std::uint8_t* in, std::uint8_t* out,
                              std::size_t n) {
    const D d;
    const Rows rows(table);
    const std::size_t lanes = hn::Lanes(d);
    if (lanes < 16) {
        return 0; // no whole rows of 16 in a vector
    }
    std::size_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        hn::StoreU(rows.lookup(hn::LoadU(d, in + i)), d, out + i);
    }
    return i;
}

// Whole 64-byte words of bits; returns how many bytes it did.
std::size_t LookupBitsVector(const std::uint8_t* table, const std::uint8_t* in, std::size_t n,
                             std::uint64_t* low, std::uint64_t* high) {
    const D d;
    const Rows rows(table);
    const std::size_t lanes = hn::Lanes(d);
    if (lanes < 16 || 64 % lanes != 0) {
        return 0; // no whole rows of 16 in a vector, or its bits would not fill whole bytes
    }
    const V one = hn::Set(d, 1);
    const V two = hn::Set(d, 2);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        std::uint8_t lowBits[8] = {};
        std::uint8_t highBits[8] = {};
        for (std::size_t k = 0; k < 64; k += lanes) {
            const V v = rows.lookup(hn::LoadU(d, in + i + k));
            hn::StoreMaskBits(d, hn::TestBit(v, one), lowBits + k / 8);
            hn::StoreMaskBits(d, hn::TestBit(v, two), highBits + k / 8);
        }
        std::memcpy(&low[i / 64], lowBits, 8); // bit k of the word is byte k
        std::memcpy(&high[i / 64], highBits, 8);
    }
    return i;
}

// Whole 64-byte words; returns how many bytes it did.
std::size_t LookupBytesAndBitsVector(const std::uint8_t* table, const std::uint8_t* bitsTable,
                                     const std::uint8_t* in, std::uint8_t* out, std::size_t n,
                                     std::uint64_t* const* planes, int planeCount) {
    const D d;
    const Rows rows(table);
    const Rows bitRows(bitsTable);
    const std::size_t lanes = hn::Lanes(d);
    if (lanes < 16 || 64 % lanes != 0) {
        return 0;
    }
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        std::uint8_t bits[4][8] = {};
        for (std::size_t k = 0; k < 64; k += lanes) {
            V value;
            V flags;
            Rows::lookup2(rows, bitRows, hn::LoadU(d, in + i + k), value, flags);
            hn::StoreU(value, d, out + i + k);
            for (int b = 0; b < planeCount; ++b) {
                hn::StoreMaskBits(d,
                                  hn::TestBit(flags, hn::Set(d, static_cast<std::uint8_t>(1 << b))),
                                  bits[b] + k / 8);
            }
        }
        for (int b = 0; b < planeCount; ++b) {
            std::memcpy(&planes[b][i / 64], bits[b], 8);
        }
    }
    return i;
}

// The value of hexadecimal digit characters of either case, and which lanes hold one.
HWY_INLINE V HexValue(V c, hn::Mask<D>& valid) {
    const D d;
    const V digit = hn::Sub(c, hn::Set(d, '0'));
    const auto isDigit = hn::Eq(hn::Min(digit, hn::Set(d, 9)), digit);
    const V letter = hn::Sub(hn::Or(c, hn::Set(d, 0x20)), hn::Set(d, 'a'));
    const auto isLetter = hn::Eq(hn::Min(letter, hn::Set(d, 5)), letter);
    valid = hn::Or(isDigit, isLetter);
    return hn::IfThenElse(isDigit, digit, hn::Add(letter, hn::Set(d, 10)));
}

std::size_t ConvertEscapeBlocksVector(const std::uint8_t* outTable, const std::uint8_t* simpleBits,
                                      const std::uint8_t* p, std::size_t n, std::uint8_t* out) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    if (lanes < 16 || 64 % lanes != 0) {
        return 0;
    }
    const Rows outRows(outTable);
    // The bytes that become one escape as a set of 256 bits: byte x / 8, bit x % 8, in two
    // rows of 16 bytes.
    const V simpleLow = hn::LoadDup128(d, simpleBits);
    const V simpleHigh = hn::LoadDup128(d, simpleBits + 16);
    alignas(16) static constexpr std::uint8_t kBit[16] = {1, 2, 4, 8, 16, 32, 64, 128,
                                                          1, 2, 4, 8, 16, 32, 64, 128};
    const V bit = hn::LoadDup128(d, kBit);
    alignas(16) static constexpr std::uint8_t kHexDigits[16] = {
        '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    const V hexDigits = hn::LoadDup128(d, kHexDigits);
    std::size_t done = 0;
    while (done + 64 <= n) {
        const std::uint8_t* block = p + done;
        // Per lane: a backslash; the next byte an apostrophe; a brace; the lane could be an
        // escape's first digit of a byte that becomes one escape. The byte each such escape becomes
        // is kept for the second pass.
        std::uint8_t slash[8] = {}, apostrophe[8] = {}, careful[8] = {}, good[8] = {};
        std::uint8_t converted[1 + 64];
        for (std::size_t k = 0; k < 64; k += lanes) {
            const V v = hn::LoadU(d, block + k);
            const V next = hn::LoadU(d, block + k + 1);
            hn::StoreMaskBits(d, hn::Eq(v, hn::Set(d, '\\')), slash + k / 8);
            hn::StoreMaskBits(d, hn::Eq(next, hn::Set(d, '\'')), apostrophe + k / 8);
            hn::StoreMaskBits(d, hn::Or(hn::Eq(v, hn::Set(d, '{')), hn::Eq(v, hn::Set(d, '}'))),
                              careful + k / 8);
            hn::Mask<D> highValid;
            hn::Mask<D> lowValid;
            const V high = HexValue(v, highValid);
            const V low = HexValue(next, lowValid);
            const V x = hn::Or(hn::ShiftLeft<4>(high), low);
            hn::StoreU(outRows.lookup(x), d, converted + 1 + k);
            const V setIndex = hn::And(hn::ShiftRight<3>(x), hn::Set(d, 15));
            const V setByte = hn::IfThenElse(hn::Eq(hn::ShiftRight<7>(x), hn::Set(d, 1)),
                                             hn::TableLookupBytes(simpleHigh, setIndex),
                                             hn::TableLookupBytes(simpleLow, setIndex));
            const V simple = hn::And(setByte, hn::TableLookupBytes(bit, hn::And(x, hn::Set(d, 7))));
            const auto ok = hn::And(hn::And(highValid, lowValid), hn::Ne(simple, hn::Zero(d)));
            hn::StoreMaskBits(d, ok, good + k / 8);
        }
        std::uint64_t s, a, c, g;
        std::memcpy(&s, slash, 8);
        std::memcpy(&a, apostrophe, 8);
        std::memcpy(&c, careful, 8);
        std::memcpy(&g, good, 8);
        if (((s & ~a) | c) != 0) {
            break; // a group, a control word or symbol: the reader's state may change
        }
        std::uint64_t escapes = s & a;
        // An escape starting in the block's last three bytes would be cut: the block ends
        // before it, and the next one starts with it.
        std::size_t length = 64;
        if (const std::uint64_t cut = escapes >> 61; cut != 0) {
            length = 61 + static_cast<std::size_t>(__builtin_ctzll(cut));
            escapes &= (std::uint64_t{1} << length) - 1;
        }
        const std::uint64_t highDigits = escapes << 2;
        const std::uint64_t lowDigits = escapes << 3;
        if ((highDigits & ~g) != 0) {
            break; // a malformed escape, or one of a byte that needs more than one escape
        }
        std::uint8_t highBits[8];
        std::uint8_t lowBits[8];
        std::memcpy(highBits, &highDigits, 8);
        std::memcpy(lowBits, &lowDigits, 8);
        for (std::size_t k = 0; k < 64; k += lanes) {
            const V v = hn::LoadU(d, block + k);
            const V byte = hn::LoadU(d, converted + 1 + k);
            const V before = hn::LoadU(d, converted + k);
            const V highDigit = hn::TableLookupBytes(hexDigits, hn::ShiftRight<4>(byte));
            const V lowDigit = hn::TableLookupBytes(hexDigits, hn::And(before, hn::Set(d, 15)));
            const auto isHigh = hn::LoadMaskBits(d, highBits + k / 8);
            const auto isLow = hn::LoadMaskBits(d, lowBits + k / 8);
            hn::StoreU(hn::IfThenElse(isHigh, highDigit, hn::IfThenElse(isLow, lowDigit, v)), d,
                       out + done + k);
        }
        done += length; // a cut escape starts the next block
    }
    return done;
}

// Expands bytes to UTF-8 with the processors that can look a byte up in a 128-entry table
// of bytes in one instruction (AVX-512 VBMI): the four bytes of each value's entry are looked
// up, put side by side in the bytes' order, and the bytes an entry does not use (0xFF) are
// squeezed out. Elsewhere the caller's loop, one byte at a time, is as fast as what vectors
// without it do (gathers, or 16-entry rows), so there it returns 0. Returns how many bytes it
// took (whole vectors) and sets written.
std::size_t ExpandUtf8Vector(const std::uint8_t* slots, const std::uint8_t* in, std::size_t n,
                             std::uint8_t* out, std::size_t& written) {
    written = 0;
#if HWY_TARGET == HWY_AVX3_DL
    // Slot j of the values 0-63, 64-127, 128-191 and 192-255, one register each.
    __m512i table[4][4];
    for (int j = 0; j < 4; ++j) {
        for (int q = 0; q < 4; ++q) {
            table[j][q] = _mm512_loadu_si512(slots + 256 * j + 64 * q);
        }
    }
    // Byte k of the pairs: byte k / 2 of the first vector (k even) or of the second (odd), for
    // the first 32 bytes and the last 32; then the same for 16-bit pairs.
    alignas(64) std::uint8_t pairBytes[2][64];
    alignas(64) std::uint16_t pairWords[2][32];
    for (int k = 0; k < 64; ++k) {
        for (int h = 0; h < 2; ++h) {
            pairBytes[h][k] = static_cast<std::uint8_t>((32 * h + k / 2) | (k % 2) << 6);
        }
    }
    for (int k = 0; k < 32; ++k) {
        for (int h = 0; h < 2; ++h) {
            pairWords[h][k] = static_cast<std::uint16_t>((16 * h + k / 2) | (k % 2) << 5);
        }
    }
    const __m512i byteLow = _mm512_load_si512(pairBytes[0]);
    const __m512i byteHigh = _mm512_load_si512(pairBytes[1]);
    const __m512i wordLow = _mm512_load_si512(pairWords[0]);
    const __m512i wordHigh = _mm512_load_si512(pairWords[1]);
    const __m512i unused = _mm512_set1_epi8(static_cast<char>(0xFF));
    const __m512i leftOver = _mm512_set1_epi8(static_cast<char>(0xFE));
    std::size_t i = 0;
    std::size_t o = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i bytes = _mm512_loadu_si512(in + i);
        const __mmask64 high = _mm512_movepi8_mask(bytes); // values 128-255
        __m512i slot[4];
        for (int j = 0; j < 4; ++j) {
            const __m512i low = _mm512_permutex2var_epi8(table[j][0], bytes, table[j][1]);
            const __m512i top = _mm512_permutex2var_epi8(table[j][2], bytes, table[j][3]);
            slot[j] = _mm512_mask_blend_epi8(high, low, top);
        }
        if (_mm512_cmpeq_epi8_mask(slot[0], leftOver) != 0) {
            break;
        }
        const __m512i pairs01[2] = {_mm512_permutex2var_epi8(slot[0], byteLow, slot[1]),
                                    _mm512_permutex2var_epi8(slot[0], byteHigh, slot[1])};
        const __m512i pairs23[2] = {_mm512_permutex2var_epi8(slot[2], byteLow, slot[3]),
                                    _mm512_permutex2var_epi8(slot[2], byteHigh, slot[3])};
        for (int h = 0; h < 2; ++h) {
            const __m512i entries[2] = {
                _mm512_permutex2var_epi16(pairs01[h], wordLow, pairs23[h]),
                _mm512_permutex2var_epi16(pairs01[h], wordHigh, pairs23[h])};
            for (const __m512i& e : entries) {
                const __mmask64 used = _mm512_cmpneq_epi8_mask(e, unused);
                // Squeezed in a register and stored whole: the output has room for it, and
                // a squeeze straight to memory is slow on some processors.
                _mm512_storeu_si512(out + o, _mm512_maskz_compress_epi8(used, e));
                o += static_cast<std::size_t>(__builtin_popcountll(used));
            }
        }
    }
    written = o;
    return i;
#else
    (void)slots, (void)in, (void)n, (void)out;
    return 0;
#endif
}

bool HasUtf8ExpansionVector() {
    return HWY_TARGET == HWY_AVX3_DL;
}

} // namespace zerva::converter::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zerva::converter {

HWY_EXPORT(LookupBytesVector);
HWY_EXPORT(LookupBitsVector);
HWY_EXPORT(LookupBytesAndBitsVector);
HWY_EXPORT(ConvertEscapeBlocksVector);
HWY_EXPORT(ExpandUtf8Vector);
HWY_EXPORT(HasUtf8ExpansionVector);

bool expandsUtf8() {
    return HWY_DYNAMIC_DISPATCH(HasUtf8ExpansionVector)();
}

qsizetype expandUtf8(const Utf8Table& table, const std::uint8_t* in, qsizetype n,
                     std::uint8_t* out, qsizetype& o) {
    std::size_t written = 0;
    const auto taken = static_cast<qsizetype>(HWY_DYNAMIC_DISPATCH(ExpandUtf8Vector)(
        table.data(), in, static_cast<std::size_t>(n), out + o, written));
    o += static_cast<qsizetype>(written);
    return taken;
}

qsizetype convertEscapeBlocks(const EscapeTables& tables, const std::uint8_t* p,
                              const std::uint8_t* limit, std::uint8_t* out) {
    if (limit - p < 64) {
        return 0;
    }
    return static_cast<qsizetype>(HWY_DYNAMIC_DISPATCH(ConvertEscapeBlocksVector)(
        tables.out.data(), tables.simpleBits.data(), p, static_cast<std::size_t>(limit - p), out));
}

void lookupBytes(const ByteTable& table, const std::uint8_t* in, std::uint8_t* out, qsizetype n,
                 bool portable) {
    qsizetype k = 0;
    if (!portable) {
        k = static_cast<qsizetype>(HWY_DYNAMIC_DISPATCH(LookupBytesVector)(
            table.data(), in, out, static_cast<std::size_t>(n)));
    }
    for (; k < n; ++k) {
        out[k] = table[in[k]];
    }
}

void lookupBits(const ByteTable& table, const std::uint8_t* in, qsizetype n, std::uint64_t* low,
                std::uint64_t* high, bool portable) {
    qsizetype k = 0;
    if (!portable) {
        k = static_cast<qsizetype>(HWY_DYNAMIC_DISPATCH(LookupBitsVector)(
            table.data(), in, static_cast<std::size_t>(n), low, high));
    }
    for (; k < n; k += 64) {
        std::uint64_t l = 0;
        std::uint64_t h = 0;
        const int count = static_cast<int>(n - k < 64 ? n - k : 64);
        for (int b = 0; b < count; ++b) {
            const std::uint64_t v = table[in[k + b]];
            l |= (v & 1) << b;
            h |= ((v >> 1) & 1) << b;
        }
        low[k / 64] = l;
        high[k / 64] = h;
    }
}

void lookupBytesAndBits(const ByteTable& table, const ByteTable& bitsTable, const std::uint8_t* in,
                        std::uint8_t* out, qsizetype n, std::uint64_t* const planes[],
                        int planeCount, bool portable) {
    qsizetype k = 0;
    if (!portable) {
        k = static_cast<qsizetype>(HWY_DYNAMIC_DISPATCH(LookupBytesAndBitsVector)(
            table.data(), bitsTable.data(), in, out, static_cast<std::size_t>(n), planes,
            planeCount));
    }
    for (; k < n; k += 64) {
        std::uint64_t words[4] = {};
        const int count = static_cast<int>(n - k < 64 ? n - k : 64);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t x = in[k + i];
            out[k + i] = table[x];
            for (int b = 0; b < planeCount; ++b) {
                words[b] |= static_cast<std::uint64_t>((bitsTable[x] >> b) & 1) << i;
            }
        }
        for (int b = 0; b < planeCount; ++b) {
            planes[b][k / 64] = words[b];
        }
    }
}

} // namespace zerva::converter
#endif
