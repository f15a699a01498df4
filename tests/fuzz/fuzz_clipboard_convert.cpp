// The clipboard converter's text and RTF conversions on any bytes with a bundled table:
// outputs are bounded and repeatable, text converted as characters gives what its code page
// 1256 bytes give, and text written as RTF escapes converts like the text itself.
#include "clipboard/clipboard_rules.h"
#include "common/codepage.h"
#include "tests/fuzz/fuzz_support.h"

using namespace zerva;
using namespace zerva::clipboard;

namespace {

const std::vector<ClipboardTable>& bundledTables() {
    static const std::vector<ClipboardTable> tables = [] {
        std::vector<ClipboardTable> out{ClipboardTable::identity()};
        for (const QByteArray& text : fuzz::bundledTableTexts()) {
            for (const Direction d : {Direction::ToMs, Direction::FromMs}) {
                if (auto t = parseClipboardTable(text, d)) {
                    out.push_back(*t);
                }
            }
        }
        return out;
    }();
    return tables;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto& tables = bundledTables();
    const ClipboardTable& table =
        tables[in.ConsumeIntegralInRange<std::size_t>(0, tables.size() - 1)];
    const std::vector<std::uint8_t> rest = in.ConsumeRemainingBytes<std::uint8_t>();
    const QByteArray bytes(reinterpret_cast<const char*>(rest.data()),
                           static_cast<qsizetype>(rest.size()));

    const QByteArray rtf = convertRtf(table, bytes);
    ZERVA_FUZZ_CHECK(rtf.size() <= 2 * bytes.size());
    ZERVA_FUZZ_CHECK(convertRtf(table, bytes) == rtf);

    const QByteArray text = convertTextBytes(table, bytes);
    ZERVA_FUZZ_CHECK(text.size() <= 2 * bytes.size());
    ZERVA_FUZZ_CHECK(convertTextBytes(table, bytes) == text);
    ZERVA_FUZZ_CHECK(convertRtf(table, fuzz::escapesOf(bytes)) == fuzz::escapesOf(text));
    ZERVA_FUZZ_CHECK(convertText(table, common::fromCp1256(bytes)) == common::fromCp1256(text));

    // Characters without a code page 1256 byte pass through and split the text around them.
    const QString mixed = common::fromCp1256(bytes) + QChar(0x263A) + common::fromCp1256(bytes);
    ZERVA_FUZZ_CHECK(convertText(table, mixed) ==
                     common::fromCp1256(text) + QChar(0x263A) + common::fromCp1256(text));
    return 0;
}
