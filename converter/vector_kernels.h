// The converters' vector kernels, written once for every processor (run-time dispatch picks
// the best instruction set the processor has): looking bytes up in a 256-entry table, for
// the text converters, expanding bytes to their UTF-8, and converting blocks of RTF escapes.
// The lookups take a portable flag: true runs the plain loop that states what the vector
// code computes (tests compare the two).
#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>

namespace zerva::converter {

using ByteTable = std::array<std::uint8_t, 256>;

// out[k] = table[in[k]] for k < n.
void lookupBytes(const ByteTable& table, const std::uint8_t* in, std::uint8_t* out, qsizetype n,
                 bool portable = false);

// For k < n, bit k % 64 of low[k / 64] is bit 0 of table[in[k]] and the same bit of high[k / 64]
// is bit 1 of it; the words cover (n + 63) / 64 entries, bits beyond n are 0.
void lookupBits(const ByteTable& table, const std::uint8_t* in, qsizetype n, std::uint64_t* low,
                std::uint64_t* high, bool portable = false);

// Both at once, for one pass over the source: out[k] = table[in[k]], and the low planeCount
// bits (at most 4) of bitsTable[in[k]] as bit planes: bit k % 64 of planes[b][k / 64] is bit
// b of it.
void lookupBytesAndBits(const ByteTable& table, const ByteTable& bitsTable, const std::uint8_t* in,
                        std::uint8_t* out, qsizetype n, std::uint64_t* const planes[],
                        int planeCount, bool portable = false);

// The RTF escape kernel's tables: for each byte that an escape \'hh names, the byte its
// escape becomes, and whether it becomes exactly one escape (bit x % 8 of simpleBits[x / 8]).
struct EscapeTables {
    ByteTable out{};
    std::array<std::uint8_t, 32> simpleBits{};
};

// Converts RTF at p block by block, 64 bytes at a time, while a block holds only text and
// escapes of bytes that become one escape (written with lower-case digits); the output then
// has the input's length. Stops before a block that holds anything else (a brace, a control
// word or symbol, a malformed escape, an escape of any other byte), or where a block
// would reach past limit; may stop early in a block so that an escape is not cut. Reads up
// to limit + 1. Returns the number of bytes converted and written to out.
qsizetype convertEscapeBlocks(const EscapeTables& tables, const std::uint8_t* p,
                              const std::uint8_t* limit, std::uint8_t* out);

// Each byte value's UTF-8 in four slots of 256: table[256 * j + x] is byte j of the UTF-8 of
// x (of one to four bytes), or 0xFF where it has no byte j. 0xFE in table[x] (slot 0) marks a
// byte value that expandUtf8 leaves to its caller.
using Utf8Table = std::array<std::uint8_t, 4 * 256>;

// Whether expandUtf8 does anything on this processor (it needs AVX-512 VBMI's byte
// permutes); where it does not, a loop over the bytes is as fast.
bool expandsUtf8();

// Writes the UTF-8 of in[0..n) to out from o on, a vector at a time, up to the first vector
// that holds a byte left to the caller or the last whole vector; returns how many bytes it
// took and advances o. out needs room for 4 * n + 64 bytes from o.
qsizetype expandUtf8(const Utf8Table& table, const std::uint8_t* in, qsizetype n,
                     std::uint8_t* out, qsizetype& o);

} // namespace zerva::converter
