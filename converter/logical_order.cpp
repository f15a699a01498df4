// Logical order: the units of each line are put in reading order by the inverse of the
// Unicode bidirectional algorithm (ICU), then written as code page 1256 bytes or UTF-8.
#include "converter/segmenter.h"
#include "converter/stream_io.h"
#include "converter/text_convert.h"
#include "converter/unit_text.h"

#include <unicode/ubidi.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace zerva::converter {

namespace {

struct BidiDeleter {
    void operator()(UBiDi* bidi) const { ubidi_close(bidi); }
};

class LogicalOrder {
public:
    // portable: every line goes through the bidirectional algorithm (tests compare).
    LogicalOrder(const ConversionTable& table, detail::Output& out, TextOutput output,
                 bool portable)
        : m_texts(table), m_out(out), m_utf8(output == TextOutput::Utf8), m_portable(portable),
          m_bidi(ubidi_open()) {
        for (int unit = 0; unit < kUnitCount; ++unit) {
            Reversed& r = m_reversed[static_cast<std::size_t>(unit)];
            r.reversible = m_texts.reversible(unit);
            if (m_utf8) {
                const UnitTexts::Utf8& u = m_texts.utf8Mirrored(unit);
                std::memcpy(&r.bytes, u.bytes, 8);
                r.length = u.length;
            } else {
                const UnitTexts::Bytes& b = m_texts.cp1256Mirrored(unit);
                std::memcpy(&r.bytes, b.bytes, 2);
                r.length = b.length;
            }
        }
    }

    // Reorders units[0..n) as one line (or a piece of one) and writes them.
    bool writeLine(const std::uint16_t* units, qsizetype n) {
        if (n == 0) {
            return true;
        }
        // Most lines hold no left-to-right letter and no number: every character of them
        // stands at the right-to-left level, so the line was shown reversed whole. Such a
        // line is written reversed at once, each unit as one fixed-width entry, and the
        // writing is dropped at the first unit that is not so.
        if (!m_portable && 8 * n + 8 <= m_out.capacity()) {
            std::uint8_t* const out = m_out.reserve(8 * n + 8);
            qsizetype at = 0;
            qsizetype k = n;
            while (k > 0) {
                const Reversed& r = m_reversed[units[k - 1]];
                if (!r.reversible) {
                    break;
                }
                std::memcpy(out + at, &r.bytes, 8);
                at += r.length;
                --k;
            }
            if (k == 0) {
                m_out.advance(at);
                return !m_out.failed();
            }
        }
        bool reversible = true;
        for (qsizetype k = 0; k < n && reversible; ++k) {
            reversible = m_texts.reversible(units[k]);
        }
        if (reversible && !m_portable) {
            for (qsizetype k = n; k-- > 0;) {
                writeUnit(units[k], true);
            }
            return !m_out.failed();
        }
        // The line as it was shown, in UTF-16: each unit's characters, those of a unit of
        // two in reverse (a right-to-left display shows the second to the left of the first),
        // and for every UTF-16 unit the index of its unit.
        m_visual.clear();
        m_owner.clear();
        for (qsizetype k = 0; k < n; ++k) {
            const UnitTexts::Text& t = m_texts.text(units[k]);
            for (int c = t.codePoints; c-- > 0;) {
                const char32_t p = t.points[c];
                if (p >= 0x10000) {
                    m_visual.push_back(static_cast<UChar>(0xD800 + ((p - 0x10000) >> 10)));
                    m_visual.push_back(static_cast<UChar>(0xDC00 + ((p - 0x10000) & 0x3FF)));
                    m_owner.push_back(static_cast<std::int32_t>(k));
                } else {
                    m_visual.push_back(static_cast<UChar>(p));
                }
                m_owner.push_back(static_cast<std::int32_t>(k));
            }
        }
        m_written.assign(static_cast<std::size_t>(n), false);
        if (!m_bidi) {
            return false; // ICU could not make its object (no memory)
        }
        if (!m_visual.empty()) {
            UErrorCode error = U_ZERO_ERROR;
            ubidi_setReorderingMode(m_bidi.get(), UBIDI_REORDER_INVERSE_NUMBERS_AS_L);
            ubidi_setPara(m_bidi.get(), m_visual.data(), static_cast<int32_t>(m_visual.size()),
                          UBIDI_RTL, nullptr, &error);
            m_map.resize(m_visual.size());
            if (U_SUCCESS(error)) {
                ubidi_getVisualMap(m_bidi.get(), m_map.data(), &error);
            }
            if (U_FAILURE(error)) {
                return false;
            }
            // map[i] is the shown position of the character that comes i-th in reading
            // order; a unit is written where its first character comes.
            for (const std::int32_t from : m_map) {
                const auto k = static_cast<std::size_t>(m_owner[static_cast<std::size_t>(from)]);
                if (m_written[k]) {
                    continue;
                }
                m_written[k] = true;
                const bool rightToLeft = (ubidi_getLevelAt(m_bidi.get(), from) & 1) != 0;
                writeUnit(units[k], rightToLeft);
            }
        }
        // Units without text (dropped bytes) write nothing either way.
        return !m_out.failed();
    }

    void writeUnitAsItIs(std::uint16_t unit) { writeUnit(unit, false); }

private:
    // A unit in a right-to-left run is written as shown there: a bracket turned back.
    void writeUnit(std::uint16_t unit, bool rightToLeft) {
        if (m_utf8) {
            const UnitTexts::Utf8& u =
                rightToLeft ? m_texts.utf8Mirrored(unit) : m_texts.utf8(unit);
            m_out.append(u.bytes, u.length);
        } else {
            const UnitTexts::Bytes& b =
                rightToLeft ? m_texts.cp1256Mirrored(unit) : m_texts.cp1256(unit);
            m_out.append(b.bytes, b.length);
        }
    }

    // A unit as written in a line that is reversed whole.
    struct Reversed {
        std::uint64_t bytes = 0; // its bytes, mirrored; 8 copied, length of them kept
        std::uint8_t length = 0;
        bool reversible = false;
    };

    UnitTexts m_texts;
    std::array<Reversed, kUnitCount> m_reversed{};
    detail::Output& m_out;
    bool m_utf8;
    bool m_portable;
    std::unique_ptr<UBiDi, BidiDeleter> m_bidi;
    std::vector<UChar> m_visual;
    std::vector<std::int32_t> m_owner;
    std::vector<std::int32_t> m_map;
    std::vector<bool> m_written;
};

// Takes in[0..n) as units, each byte its own unit's number, up to the first byte of kind 2;
// the line ends among them are added to ends. Returns how many it took.
qsizetype plainUnits(const std::uint8_t* in, qsizetype n,
                     const std::array<std::uint8_t, 256>& kinds, std::uint16_t* units,
                     std::vector<std::pair<qsizetype, qsizetype>>& ends) {
    qsizetype i = 0;
    for (; i < n; ++i) {
        const std::uint8_t x = in[i];
        const std::uint8_t kind = kinds[x];
        if (kind == 2) {
            break;
        }
        units[i] = x;
        if (kind == 1) {
            ends.push_back({i, i + 1});
        }
    }
    return i;
}

ConvertStatus convertLogical(detail::Source& source, detail::Sink& sink,
                             const ConversionTable& table, const ConvertOptions& options) {
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    detail::Output out(sink, 1024 * 1024);
    if (!out.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    LogicalOrder order(table, out, options.output, options.portableLoops);
    detail::Segmenter segment(table, false);
    detail::ChunkReader reader(source, chunkSize, 1);
    std::vector<std::uint16_t> units(static_cast<std::size_t>(chunkSize) + 1);
    std::vector<std::pair<qsizetype, qsizetype>> ends;
    std::vector<std::uint16_t> line; // the line so far, at most kLogicalPiece units
    const auto addToLine = [&](const std::uint16_t* p, qsizetype n) {
        while (n > 0) {
            const qsizetype room = kLogicalPiece - static_cast<qsizetype>(line.size());
            const qsizetype k = std::min(n, room);
            line.insert(line.end(), p, p + k);
            p += k;
            n -= k;
            if (static_cast<qsizetype>(line.size()) == kLogicalPiece) {
                if (!order.writeLine(line.data(), kLogicalPiece)) {
                    return false;
                }
                line.clear();
            }
        }
        return true;
    };
    ConvertStatus status = ConvertStatus::Success;
    const std::array<std::uint8_t, 256> kinds = detail::unitKinds(table);
    while (reader.next()) {
        ends.clear();
        // The bytes that are units by themselves are their units' numbers; from the first
        // that is not, the general loop (for every byte with the plain loops).
        const std::uint8_t* const in = reader.data();
        const qsizetype done =
            options.portableLoops ? 0 : plainUnits(in, reader.size(), kinds, units.data(), ends);
        qsizetype produced = 0;
        qsizetype o = 0;
        reader.keepFrom(done + segment.segment(
                                   in + done, reader.size() - done, reader.atEnd(),
                                   [&](std::uint8_t x, const PairEntry* pair) {
                                       units[static_cast<std::size_t>(done + o++)] =
                                           static_cast<std::uint16_t>(
                                               pair != nullptr ? pairUnit(table, *pair) : x);
                                       return o;
                                   },
                                   produced,
                                   [&](qsizetype from, qsizetype to) {
                                       ends.push_back({done + from, done + to});
                                   }));
        produced += done;
        qsizetype start = 0;
        bool ok = true;
        for (const auto& [from, to] : ends) {
            if (line.empty() && from - start <= kLogicalPiece) { // the whole line is in the chunk
                ok = ok && order.writeLine(units.data() + start, from - start);
            } else {
                ok = ok && addToLine(units.data() + start, from - start) &&
                     order.writeLine(line.data(), static_cast<qsizetype>(line.size()));
                line.clear();
            }
            for (qsizetype k = from; k < to; ++k) {
                order.writeUnitAsItIs(units[static_cast<std::size_t>(k)]);
            }
            start = to;
        }
        if (!ok || !addToLine(units.data() + start, produced - start)) {
            status = out.failed() ? ConvertStatus::WriteFailed : ConvertStatus::ReadFailed;
            break;
        }
    }
    if (status == ConvertStatus::Success) {
        status = reader.status();
    }
    if (status == ConvertStatus::Success &&
        !order.writeLine(line.data(), static_cast<qsizetype>(line.size()))) {
        status = out.failed() ? ConvertStatus::WriteFailed : ConvertStatus::ReadFailed;
    }
    return detail::finishConversion(status, out, segment.counted(), options);
}

} // namespace

ConvertStatus ConvertTextFileLogical(const QString& source, const QString& destination,
                                     const ConversionTable& table, common::Messenger& messenger,
                                     const ConvertOptions& options) {
    return detail::convertFile(source, destination, messenger,
                               [&](detail::Source& in, detail::Sink& out) {
                                   return convertLogical(in, out, table, options);
                               });
}

ConvertStatus ConvertTextBytesLogical(QByteArrayView in, QByteArray& out,
                                      const ConversionTable& table, const ConvertOptions& options) {
    out.clear();
    detail::SourceBytes source(in);
    detail::DestinationBytes sink(out);
    return convertLogical(source, sink, table, options);
}

} // namespace zerva::converter
