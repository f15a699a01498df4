// The clipboard converter's text and RTF conversions on any bytes with a bundled table:
// outputs are bounded and repeatable, text converted as characters gives what its code page
// 1256 bytes give (with a table's Unicode texts, what the file converter writes as UTF-8),
// and text written as RTF escapes converts like the text itself.
#include "clipboard/clipboard_rules.h"
#include "common/codepage.h"
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "tests/fuzz/fuzz_support.h"

#include <optional>

using namespace zerva;
using namespace zerva::clipboard;

namespace {

// A clipboard table and, where it has Unicode texts, the file converter's form of it.
struct Tables {
    ClipboardTable clipboard;
    std::optional<converter::ConversionTable> file;
};

const std::vector<Tables>& bundledTables() {
    static const std::vector<Tables> tables = [] {
        std::vector<Tables> out{{ClipboardTable::identity(), std::nullopt}};
        for (const QByteArray& text : fuzz::bundledTableTexts()) {
            for (const Direction d : {Direction::ToMs, Direction::FromMs}) {
                if (auto t = parseClipboardTable(text, d)) {
                    out.push_back({*t, t->hasUnicode() ? converter::parseConversionTable(text, d)
                                                       : std::nullopt});
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
    const Tables& chosen = tables[in.ConsumeIntegralInRange<std::size_t>(0, tables.size() - 1)];
    const ClipboardTable& table = chosen.clipboard;
    const std::vector<std::uint8_t> rest = in.ConsumeRemainingBytes<std::uint8_t>();
    const QByteArray bytes(reinterpret_cast<const char*>(rest.data()),
                           static_cast<qsizetype>(rest.size()));

    const QByteArray rtf = convertRtf(table, bytes);
    // An escape becomes at most a few \uN, a font entry gains its charset.
    ZERVA_FUZZ_CHECK(rtf.size() <= 8 * bytes.size() + 16);
    ZERVA_FUZZ_CHECK(convertRtf(table, bytes) == rtf);

    const QByteArray text = convertTextBytes(table, bytes);
    ZERVA_FUZZ_CHECK(text.size() <= 2 * bytes.size());
    ZERVA_FUZZ_CHECK(convertTextBytes(table, bytes) == text);
    QString expected = common::fromCp1256(text);
    if (!table.hasUnicode()) {
        ZERVA_FUZZ_CHECK(convertRtf(table, fuzz::escapesOf(bytes)) == fuzz::escapesOf(text));
    } else {
        ZERVA_FUZZ_CHECK(chosen.file.has_value());
        converter::ConvertOptions utf8;
        utf8.output = converter::TextOutput::Utf8;
        // The clipboard's RTF takes the Unicode texts as the file converter's UTF-8 output.
        QByteArray rtfUtf8;
        ZERVA_FUZZ_CHECK(converter::ConvertRtfBytes(fuzz::escapesOf(bytes), rtfUtf8, *chosen.file,
                                                    utf8) == converter::ConvertStatus::Success);
        ZERVA_FUZZ_CHECK(convertRtf(table, fuzz::escapesOf(bytes)) == rtfUtf8);
        QByteArray written;
        ZERVA_FUZZ_CHECK(converter::ConvertTextBytes(bytes, written, *chosen.file, utf8) ==
                         converter::ConvertStatus::Success);
        expected = QString::fromUtf8(written);
    }
    ZERVA_FUZZ_CHECK(convertText(table, common::fromCp1256(bytes)) == expected);

    // Characters without a code page 1256 byte pass through and split the text around them.
    const QString mixed = common::fromCp1256(bytes) + QChar(0x263A) + common::fromCp1256(bytes);
    ZERVA_FUZZ_CHECK(convertText(table, mixed) == expected + QChar(0x263A) + expected);
    return 0;
}
