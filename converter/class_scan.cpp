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

} // namespace zerva::converter
