// The RTF converter: the suite's RTF reader over the conversion table, in chunks.
#include "converter/rtf_convert.h"

#include "common/rtf_text.h"
#include "converter/stream_io.h"
#include "converter/vector_kernels.h"

#include <algorithm>
#include <vector>

namespace zerva::converter {

namespace {

// The conversion table as the RTF reader sees it.
class TableUnits : public common::rtf::Units {
public:
    TableUnits(const ConversionTable& table, bool portable) : m_table(table), m_vector(!portable) {
        // The escape kernel's tables: bytes that become exactly one byte, without pairs or
        // a count; the reader takes the others.
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            if (e.kind == 1 && e.pairHead == 0 && !e.noCounterpart) {
                m_blocks.out[static_cast<std::size_t>(x)] = e.out1;
                m_blocks.simpleBits[static_cast<std::size_t>(x / 8)] |=
                    static_cast<std::uint8_t>(1 << (x % 8));
            }
        }
    }

    bool startsPair(std::uint8_t byte) const override { return m_table.byte(byte).pairHead != 0; }

    void segment(const std::uint8_t* bytes, qsizetype n,
                 std::vector<common::rtf::Unit>& out) override {
        for (qsizetype i = 0; i < n;) {
            const ByteEntry& e = m_table.byte(bytes[i]);
            common::rtf::Unit unit;
            const PairEntry* pair = e.pairHead != 0 && i + 1 < n
                                        ? m_table.findPairEntry(bytes[i], bytes[i + 1])
                                        : nullptr;
            if (pair != nullptr) {
                unit.taken = 2;
                unit.length = 1;
                unit.bytes[0] = pair->target;
                unit.text = pair->unicode;
            } else {
                unit.length = e.kind;
                unit.bytes[0] = e.out1;
                unit.bytes[1] = e.out2;
                unit.text = e.unicode;
                unit.noCounterpart = e.noCounterpart;
            }
            out.push_back(unit);
            i += unit.taken;
        }
    }

    qsizetype convertBlocks(const std::uint8_t* p, const std::uint8_t* limit,
                            std::uint8_t* out) override {
        return m_vector ? convertEscapeBlocks(m_blocks, p, limit, out) : 0;
    }

private:
    const ConversionTable& m_table;
    const bool m_vector;
    EscapeTables m_blocks;
};

// Reads the document twice towards code page 1256 (once to learn its fonts and header, once
// to convert it), once from it.
ConvertStatus convertRtf(detail::Source& first, detail::Source& source, detail::Sink& sink,
                         const ConversionTable& table, const ConvertOptions& options) {
    using common::rtf::Converter;
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    TableUnits units(table, options.portableLoops);
    common::rtf::Options rtfOptions;
    rtfOptions.towardsCodePage1256 = table.direction() == Direction::ToMs;
    rtfOptions.unicodeOutput = options.output == TextOutput::Utf8;
    Converter converter(units, rtfOptions);
    // Only declarations towards code page 1256 need what the first reading learns.
    if (rtfOptions.towardsCodePage1256) {
        detail::ChunkReader reader(first, chunkSize, Converter::kMaxKept);
        while (reader.next()) {
            reader.keepFrom(converter.survey(reader.data(), reader.size(), reader.atEnd()));
        }
        if (reader.status() != ConvertStatus::Success) {
            return reader.status();
        }
    }
    detail::Output out(sink, 2 * (chunkSize + Converter::kMaxKept));
    if (!out.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    detail::ChunkReader reader(source, chunkSize, Converter::kMaxKept);
    QByteArray converted;
    ConvertStatus status = ConvertStatus::Success;
    while (reader.next()) {
        converted.clear();
        reader.keepFrom(converter.convert(reader.data(), reader.size(), reader.atEnd(), converted));
        out.append(reinterpret_cast<const std::uint8_t*>(converted.constData()), converted.size());
        if (out.failed()) {
            status = ConvertStatus::WriteFailed;
            break;
        }
    }
    if (status == ConvertStatus::Success) {
        status = reader.status();
    }
    return detail::finishConversion(status, out, converter.counted(), options);
}

} // namespace

ConvertStatus ConvertRtfFile(const QString& source, const QString& destination,
                             const ConversionTable& table, common::Messenger& messenger,
                             const ConvertOptions& options) {
    return detail::convertFile(source, destination, messenger,
                               [&](detail::Source& in, detail::Sink& out) {
                                   detail::SourceFile first;
                                   if (const common::SourceError error = first.open(source);
                                       error != common::SourceError::None) {
                                       return sourceStatus(error);
                                   }
                                   return convertRtf(first, in, out, table, options);
                               });
}

ConvertStatus ConvertRtfBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                              const ConvertOptions& options) {
    out.clear();
    detail::SourceBytes first(in);
    detail::SourceBytes source(in);
    detail::DestinationBytes sink(out);
    return convertRtf(first, source, sink, table, options);
}

} // namespace zerva::converter
