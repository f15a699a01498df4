// The file converters on any source file, built once per converter (ZERVA_FUZZ_CONVERTER:
// 0 plain text, 1 right-to-left, 2 left-to-right, 3 RTF, 4 logical order). The table is a bundled
// one or one loaded from the input. Checked: the bytes written do not depend on the chunk and spill
// sizes, on the vector kernels or on converting in memory instead of files; plain text and
// RTF give what the clipboard converter's rules give with the same table; the reordering
// converters put out the plain conversion's bytes in another order.
#include "clipboard/clipboard_rules.h"
#include "common/codepage.h"
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "tests/fuzz/fuzz_support.h"

#include <array>
#include <optional>

using namespace zerva;
using namespace zerva::converter;

#ifndef ZERVA_FUZZ_CONVERTER
#error "ZERVA_FUZZ_CONVERTER names the converter"
#endif

namespace {

ConvertStatus convertFile(const QString& in, const QString& out, const ConversionTable& table,
                          common::Messenger& messenger, const ConvertOptions& options) {
#if ZERVA_FUZZ_CONVERTER == 0
    return ConvertTextFile(in, out, table, messenger, options);
#elif ZERVA_FUZZ_CONVERTER == 1
    return ConvertTextFileRtl(in, out, table, messenger, options);
#elif ZERVA_FUZZ_CONVERTER == 2
    return ConvertTextFileLtr(in, out, table, messenger, options);
#elif ZERVA_FUZZ_CONVERTER == 4
    return ConvertTextFileLogical(in, out, table, messenger, options);
#else
    return ConvertRtfFile(in, out, table, messenger, options);
#endif
}

ConvertStatus convertBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                           const ConvertOptions& options) {
#if ZERVA_FUZZ_CONVERTER == 0
    return ConvertTextBytes(in, out, table, options);
#elif ZERVA_FUZZ_CONVERTER == 1
    return ConvertTextBytesRtl(in, out, table, options);
#elif ZERVA_FUZZ_CONVERTER == 2
    return ConvertTextBytesLtr(in, out, table, options);
#elif ZERVA_FUZZ_CONVERTER == 4
    return ConvertTextBytesLogical(in, out, table, options);
#else
    return ConvertRtfBytes(in, out, table, options);
#endif
}

// In memory, with the given options.
QByteArray convertInMemory(const QByteArray& in, const ConversionTable& table,
                           const ConvertOptions& options) {
    QByteArray out;
    ZERVA_FUZZ_CHECK(convertBytes(in, out, table, options) == ConvertStatus::Success);
    return out;
}

// Through files, as the programs convert.
QByteArray convert(const ConversionTable& table, const ConvertOptions& options) {
    FuzzedDataProvider none(nullptr, 0);
    fuzz::InputMessenger messenger(none);
    const ConvertStatus status =
        convertFile(fuzz::workPath(QStringLiteral("in")), fuzz::workPath(QStringLiteral("out")),
                    table, messenger, options);
    ZERVA_FUZZ_CHECK(status == ConvertStatus::Success);
    ZERVA_FUZZ_CHECK(messenger.boxes() == 0);
    return fuzz::readWorkFile(QStringLiteral("out"));
}

// The bundled tables each way they may be used.
const std::vector<ConversionTable>& bundledTables() {
    static const std::vector<ConversionTable> tables = [] {
        std::vector<ConversionTable> out;
        for (const QByteArray& text : fuzz::bundledTableTexts()) {
            for (const Direction d : {Direction::ToMs, Direction::FromMs}) {
                if (auto t = parseConversionTable(text, d)) {
                    out.push_back(*t);
                }
            }
        }
        return out;
    }();
    return tables;
}

[[maybe_unused]] std::array<int, 256> histogram(const QByteArray& bytes) {
    std::array<int, 256> h{};
    for (const char c : bytes) {
        ++h[static_cast<std::uint8_t>(c)];
    }
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // From the end of the input: the table, the chunk and spill sizes; the source is the rest.
    FuzzedDataProvider in(data, size);
    const auto& tables = bundledTables();
    const auto choice = in.ConsumeIntegralInRange<std::size_t>(0, tables.size());
    ConvertOptions small;
    small.chunkSize = in.ConsumeIntegralInRange<qsizetype>(1, 300);
    small.spillThreshold = in.ConsumeIntegralInRange<qsizetype>(1, 300);
    std::optional<ConversionTable> table;
    if (choice < tables.size()) {
        table = tables[choice];
    } else {
        // A table of the input's own: its text runs up to the first "\" not doubled.
        table = parseConversionTable(QByteArray::fromStdString(in.ConsumeRandomLengthString(4096)),
                                     Direction::ToMs);
        if (!table) {
            return 0;
        }
    }
    const std::vector<std::uint8_t> rest = in.ConsumeRemainingBytes<std::uint8_t>();
    const QByteArray source(reinterpret_cast<const char*>(rest.data()),
                            static_cast<qsizetype>(rest.size()));
    fuzz::writeWorkFile(QStringLiteral("in"), source);

    // Whole inputs in one chunk (the fuzzer's inputs are a few kilobytes); the default sizes
    // would spend the run setting up buffers of hundreds of kilobytes.
    ConvertOptions whole;
    whole.chunkSize = 4096;
    whole.spillThreshold = 4096;
    const QByteArray out = convert(*table, whole);
#if ZERVA_FUZZ_CONVERTER == 3
    // RTF: an escape becomes at most a few \uN, a font entry gains its charset.
    ZERVA_FUZZ_CHECK(out.size() <= 8 * source.size() + 16);
#elif ZERVA_FUZZ_CONVERTER != 4
    ZERVA_FUZZ_CHECK(out.size() <= 2 * source.size());
#endif
    ZERVA_FUZZ_CHECK(convertInMemory(source, *table, whole) == out);
    ZERVA_FUZZ_CHECK(convertInMemory(source, *table, small) == out);
    small.portableLoops = true;
    ZERVA_FUZZ_CHECK(convertInMemory(source, *table, small) == out);

#if ZERVA_FUZZ_CONVERTER != 3 // RTF writes code page 1256 escapes whatever the output
    // UTF-8: the same whatever the chunks and loops, and valid; for the plain and walking
    // converters, without Unicode texts in the table, their code page 1256 output decoded.
    ConvertOptions utf8 = whole;
    utf8.output = TextOutput::Utf8;
    const QByteArray outUtf8 = convertInMemory(source, *table, utf8);
    utf8.chunkSize = small.chunkSize;
    ZERVA_FUZZ_CHECK(convertInMemory(source, *table, utf8) == outUtf8);
    utf8.portableLoops = true;
    ZERVA_FUZZ_CHECK(convertInMemory(source, *table, utf8) == outUtf8);
    ZERVA_FUZZ_CHECK(QString::fromUtf8(outUtf8).toUtf8() == outUtf8);
#if ZERVA_FUZZ_CONVERTER != 4
    if (!table->hasUnicode()) {
        ZERVA_FUZZ_CHECK(outUtf8 == common::fromCp1256(out).toUtf8());
    }
#endif
#endif

#if ZERVA_FUZZ_CONVERTER == 4
    return 0;
#endif
    const clipboard::ClipboardTable rules = fuzz::toClipboardTable(*table);
#if ZERVA_FUZZ_CONVERTER == 0
    ZERVA_FUZZ_CHECK(out == clipboard::convertTextBytes(rules, source));
#elif ZERVA_FUZZ_CONVERTER == 3
    ZERVA_FUZZ_CHECK(out == clipboard::convertRtf(rules, source));
#else
    ZERVA_FUZZ_CHECK(histogram(out) == histogram(clipboard::convertTextBytes(rules, source)));
#endif
    return 0;
}
