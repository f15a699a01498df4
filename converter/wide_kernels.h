// The converters' inner loops written for processors with 512-bit byte permutes (a whole
// 256-entry byte table looked up for 64 bytes in a few instructions). The converters use
// them when the processor has them and fall back to their portable loops otherwise; both
// give the same bytes.
#pragma once

#include <QtGlobal>

#include <cstdint>

namespace zerva::converter::detail {

// True when the processor and system support the wide kernels and they are allowed.
bool wideKernelsUsable();
// Lets tests run the portable loops on a processor that has the wide instructions.
void setWideKernelsAllowed(bool allowed);

// A byte table for one-to-one conversion: each byte's output, and 0x80 in special for a
// byte that does not convert one to one.
struct WideByteMap {
    alignas(64) std::uint8_t out[256];
    alignas(64) std::uint8_t special[256];
};

// out[k] = map.out[in[k]] for k < n. Returns false when any of the bytes is special (out
// then holds scratch bytes).
bool wideMapBytes(const WideByteMap& map, const std::uint8_t* in, std::uint8_t* out, qsizetype n);

// The tables of the RTF kernel: the value of each hexadecimal digit character (0x80 for
// any other character below 128), and for each byte the byte its escape becomes, with 0x80
// in notPlain when its escape does not become one escape (dropped, doubled, pair head).
struct WideEscapeMap {
    alignas(64) std::uint8_t hexValue[128];
    alignas(64) std::uint8_t out[256];
    alignas(64) std::uint8_t notPlain[256];
};

// Converts RTF from p block by block, 64 bytes at a time, while a block holds only text,
// control words other than \l..., and escapes that become one escape: the output then has
// the input's length. Stops before a block that holds anything else, or where fewer than 64
// bytes remain before safeEnd (where no construct may start) or fewer than 67 before end
// (what a block reads). Returns the number of bytes converted (and written to out).
qsizetype wideRtfRun(const WideEscapeMap& map, const std::uint8_t* p, const std::uint8_t* safeEnd,
                     const std::uint8_t* end, std::uint8_t* out);

} // namespace zerva::converter::detail
