// The layout file reader on any bytes: a refused or declined file leaves the model as it
// was; a file read writes back as a file that reads the same.
#include "keyboard/layout_file.h"
#include "keyboard/standard_layout.h"
#include "tests/fuzz/fuzz_support.h"

using namespace zerva;
using namespace zerva::keyboard;

namespace {

struct Snapshot {
    DecodedPlanes planes;
    std::array<qint16, kKeyMapSize> keyMap;
    QByteArray extra;
    int paletteSize;
    bool changed;

    explicit Snapshot(const LayoutModel& m)
        : planes(m.planes()), keyMap(m.keyMapArray()), extra(m.ExtraChars()),
          paletteSize(m.paletteSize()), changed(m.LayoutChanged()) {}
    bool operator==(const Snapshot& o) const {
        return planes.base == o.planes.base && planes.shift == o.planes.shift &&
               keyMap == o.keyMap && extra == o.extra && paletteSize == o.paletteSize &&
               changed == o.changed;
    }
};

bool samePlanes(const DecodedPlanes& a, const DecodedPlanes& b) {
    return a.base == b.base && a.shift == b.shift;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The file is the whole input; the answer to the header question comes from its end.
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    FuzzedDataProvider answers(data, size);
    fuzz::InputMessenger messenger(answers);

    // A model that already holds a layout, so that a refusal has something to spoil.
    LayoutModel model;
    fuzz::InputMessenger quiet(answers);
    ZERVA_FUZZ_CHECK(readLayoutBytes(model, standardLayoutImage(), quiet) == ReadOutcome::Read);
    model.setLayoutChanged(false);
    const Snapshot before(model);

    const DecodeResult decoded = decodeLayoutFile(bytes);
    const ReadOutcome outcome = readLayoutBytes(model, bytes, messenger);
    if (outcome != ReadOutcome::Read) {
        ZERVA_FUZZ_CHECK(Snapshot(model) == before);
        ZERVA_FUZZ_CHECK(messenger.boxes() >= 1);
        return 0;
    }
    ZERVA_FUZZ_CHECK(decoded.status == DecodeStatus::Ok);
    ZERVA_FUZZ_CHECK(model.LayoutChanged());
    ZERVA_FUZZ_CHECK(samePlanes(model.planes(), decoded.planes));

    // Written back, the layout decodes to the same planes with the expected header.
    const QByteArray written = encodeLayout(model);
    if (written.isEmpty()) {
        return 0; // too large for a file: allowed, the writer refuses it
    }
    const DecodeResult again = decodeLayoutFile(written);
    ZERVA_FUZZ_CHECK(again.status == DecodeStatus::Ok);
    ZERVA_FUZZ_CHECK(again.headerMatches);
    ZERVA_FUZZ_CHECK(samePlanes(again.planes, decoded.planes));
    return 0;
}
