// The class masks, through the table lookup kernel.
#include "converter/class_scan.h"

#include "converter/char_class.h"

namespace zerva::converter {

namespace {

// Per byte: bit 0 Persian, bit 1 neutral.
ByteTable makeClassBits() {
    const CharClassTable& cls = CharClass();
    ByteTable bits{};
    for (std::size_t x = 0; x < bits.size(); ++x) {
        bits[x] = static_cast<std::uint8_t>((cls[x] == kPersianClass ? 1 : 0) |
                                            (cls[x] == kNeutralClass ? 2 : 0));
    }
    return bits;
}

} // namespace

const ByteTable& ClassMasks::classBits() {
    static const ByteTable bits = makeClassBits();
    return bits;
}

void ClassMasks::scan(const std::uint8_t* data, qsizetype n, bool portable) {
    resize(n);
    lookupBits(classBits(), data, n, m_persian.data(), m_neutral.data(), portable);
}

void ClassMasks::runChanges(qsizetype from, qsizetype n, std::vector<qsizetype>& changes) const {
    if (from >= n) {
        return;
    }
    std::uint64_t inRun = 0; // the state before the word
    for (auto w = static_cast<std::size_t>(from / 64); w < m_persian.size(); ++w) {
        std::uint64_t persian = m_persian[w];
        std::uint64_t passing = ~m_neutral[w]; // Persian or joining
        if (w == static_cast<std::size_t>(from / 64)) {
            const std::uint64_t before = (std::uint64_t{1} << (from % 64)) - 1;
            persian &= ~before; // bytes before from count as neutral
            passing &= ~before;
        }
        std::uint64_t partial = 0;
        std::uint64_t sum = 0;
        const bool overflow1 = __builtin_add_overflow(passing, persian, &partial);
        const bool overflow2 = __builtin_add_overflow(partial, inRun, &sum);
        // Bit i + 1 of the carries is the carry out of byte i, the state after it; the carry
        // out of the word is the state after its last byte.
        const std::uint64_t carries = sum ^ passing ^ persian;
        const std::uint64_t state =
            (carries >> 1) | (static_cast<std::uint64_t>(overflow1 || overflow2) << 63);
        for (std::uint64_t flips = state ^ ((state << 1) | inRun); flips != 0; flips &= flips - 1) {
            const qsizetype at = static_cast<qsizetype>(w) * 64 + __builtin_ctzll(flips);
            if (at < n) {
                changes.push_back(at);
            }
        }
        inRun = state >> 63;
    }
}

} // namespace zerva::converter
