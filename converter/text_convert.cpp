// The three text converters as stages over chunks of the source: the table turns source
// bytes into units and their output bytes (segment), the bytes are put in order (none, the
// right-to-left walk over each line, the left-to-right walk over Persian runs) and written.
#include "converter/text_convert.h"

#include "converter/byte_reverse.h"
#include "converter/class_scan.h"
#include "converter/converter_messages.h"
#include "converter/stream_io.h"
#include "converter/vector_kernels.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace zerva::converter {

using detail::convertFile;
using detail::Output;
using detail::SourceFile;
using detail::SpillBuffer;

ConvertStatus sourceStatus(common::SourceError error) {
    switch (error) {
    case common::SourceError::None:
        return ConvertStatus::Success;
    case common::SourceError::NotRegular:
        return ConvertStatus::SourceNotRegular;
    case common::SourceError::Changed:
        return ConvertStatus::SourceChanged;
    case common::SourceError::Unreadable:
        break;
    }
    return ConvertStatus::SourceUnreadable;
}

namespace {

bool isLineEnd(std::uint8_t x) {
    return x == '\n' || x == '\r';
}

// Segment: what the table makes of the source, unit by unit. A unit is one source byte, or
// the two of a matched pair entry; it gives at most two output bytes.
class Segmenter {
public:
    // secondFirst: a byte of kind 2 gives out2 then out1 (the reordering converters' order).
    Segmenter(const ConversionTable& table, bool secondFirst) : m_table(table) {
        for (int x = 0; x < 256; ++x) {
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            Unit& u = m_units[static_cast<std::size_t>(x)];
            u.length = e.kind;
            u.bytes[0] = (e.kind == 2 && secondFirst) ? e.out2 : e.out1;
            u.bytes[1] = (e.kind == 2 && secondFirst) ? e.out1 : e.out2;
            u.pairHead = e.pairHead != 0;
            u.counted = e.noCounterpart;
            m_firstByte[static_cast<std::size_t>(x)] = u.bytes[0];
            const bool simple = e.kind == 1 && !u.pairHead && !u.counted;
            const int outputClass = ClassMasks::classBits()[u.bytes[0]];
            m_kinds[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(
                (simple ? 0 : 1) | (isLineEnd(static_cast<std::uint8_t>(x)) ? 2 : 0) |
                outputClass << 2);
        }
    }

    // Segments in[0..n) into units and hands each to write(x, pair): x its first source byte,
    // pair its pair entry or null; write puts out the unit's output and returns the output's
    // length so far. Returns how many source bytes it took: all of them at the end of the
    // source, otherwise all but a last byte that may start a pair, which comes again at the
    // head of the next chunk. lineEnd(from, to) is told the output of each unit whose first
    // source byte is a line feed or carriage return. produced receives the output's length.
    template <typename Write, typename LineEnd>
    qsizetype segment(const std::uint8_t* in, qsizetype n, bool atEnd, Write&& write,
                      qsizetype& produced, LineEnd&& lineEnd) {
        qsizetype i = 0;
        qsizetype o = 0;
        while (i < n) {
            const std::uint8_t x = in[i];
            const Unit& u = m_units[x];
            if (u.pairHead && i + 1 == n && !atEnd) {
                break;
            }
            const PairEntry* pair =
                u.pairHead && i + 1 < n ? m_table.findPairEntry(x, in[i + 1]) : nullptr;
            const qsizetype start = o;
            o = write(x, pair);
            if (pair == nullptr) {
                m_counted += u.counted ? 1 : 0;
            }
            if (isLineEnd(x)) {
                lineEnd(start, o);
            }
            i += pair != nullptr ? 2 : 1;
        }
        produced = o;
        return i;
    }

    // The same, writing each unit's code page 1256 bytes into out (room for 2n bytes).
    template <typename LineEnd>
    qsizetype run(const std::uint8_t* in, qsizetype n, bool atEnd, std::uint8_t* out,
                  qsizetype& produced, LineEnd&& lineEnd) {
        qsizetype o = 0;
        return segment(
            in, n, atEnd,
            [&](std::uint8_t x, const PairEntry* pair) {
                if (pair != nullptr) {
                    out[o++] = pair->target;
                } else {
                    const Unit& u = m_units[x];
                    out[o] = u.bytes[0];
                    out[o + 1] = u.bytes[1];
                    o += u.length;
                }
                return o;
            },
            produced, lineEnd);
    }

    // Conversion of a chunk in which every byte converts to exactly one byte, through one
    // table lookup per byte; false (out then holds scratch bytes) when any byte does not.
    // Each output byte then stands where its source byte stood: lineEnd is told where the
    // line ends are, and masks receive the classes of the output bytes; without reordering
    // neither is needed.
    template <typename LineEnd>
    bool runSimple(const std::uint8_t* in, qsizetype n, std::uint8_t* out, bool portable,
                   bool reorders, LineEnd&& lineEnd, ClassMasks& masks) {
        const auto words = static_cast<std::size_t>((n + 63) / 64);
        m_special.resize(words);
        m_lineEnds.resize(words);
        masks.resize(n);
        std::uint64_t* const planes[4] = {m_special.data(), m_lineEnds.data(), masks.persianWords(),
                                          masks.neutralWords()};
        lookupBytesAndBits(m_firstByte, m_kinds, in, out, n, planes, reorders ? 4 : 1, portable);
        for (const std::uint64_t w : m_special) {
            if (w != 0) {
                return false;
            }
        }
        for (std::size_t w = 0; reorders && w < words; ++w) {
            for (std::uint64_t bits = m_lineEnds[w]; bits != 0; bits &= bits - 1) {
                const auto at = static_cast<qsizetype>(w * 64) + __builtin_ctzll(bits);
                lineEnd(at, at + 1);
            }
        }
        return true;
    }

    // Source bytes without a counterpart met so far, outside matched pairs.
    qint64 counted() const { return m_counted; }

private:
    struct Unit {
        std::uint8_t length = 1;
        std::uint8_t bytes[2] = {0, 0};
        bool pairHead = false;
        bool counted = false;
    };

    const ConversionTable& m_table;
    std::array<Unit, 256> m_units{};
    ByteTable m_firstByte{}; // the output of a byte that converts to one byte
    // Bit 0: the byte does not convert to one byte; bit 1: a line end; bits 2 and 3: the
    // class bits of its output byte.
    ByteTable m_kinds{};
    std::vector<std::uint64_t> m_special;
    std::vector<std::uint64_t> m_lineEnds;
    qint64 m_counted = 0;
};

// A chunk's converted bytes, where they are reordered before being written.
class Scratch {
public:
    std::uint8_t* space(qsizetype n) {
        if (m_bytes.size() < static_cast<std::size_t>(n)) {
            m_bytes.resize(static_cast<std::size_t>(n));
        }
        return m_bytes.data();
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

// The right-to-left walk over one line, from its last byte to its first. With the Persian
// flag set, Persian characters and joining punctuation are written as met; a neutral or
// Latin character clears the flag and starts a held-back run (everything down to the next
// Persian character), written in its own order when that character is reached or the line
// begins. A line is walked in parts, last part first; the class masks let the walk step from
// one change of class to the next. The writer takes bytes of the part, written last first,
// and ranges [from, to) of the line, written in order.
struct RtlWalk {
    bool persian = true;
    qsizetype heldEnd = 0; // one past the held-back run's last byte, in the line

    // Walks data[lo..hi), which stands at position linePos of the line and which the masks
    // describe.
    template <typename Writer>
    void visit(const std::uint8_t* data, const ClassMasks& masks, qsizetype lo, qsizetype hi,
               qsizetype linePos, Writer& writer) {
        const qsizetype toLine = linePos - lo;
        qsizetype pos = hi;
        while (pos > lo) {
            if (persian) {
                const qsizetype k = masks.prevNeutral(lo, pos);
                writer.reversed(data + k + 1, pos - (k + 1));
                if (k < lo) {
                    return;
                }
                persian = false;
                heldEnd = k + 1 + toLine;
                pos = k;
            } else {
                const qsizetype k = masks.prevPersian(lo, pos);
                if (k < lo) {
                    return;
                }
                writer.range(k + 1 + toLine, heldEnd);
                persian = true;
                pos = k + 1;
            }
        }
    }
    template <typename Writer> void finish(Writer& writer) {
        if (!persian) {
            writer.range(0, heldEnd);
        }
    }
};

// Writes a line held in memory: the line is first written whole and reversed, which puts
// every byte where the walk writes it, with the held-back runs in reverse; each of those is
// then turned back (a blank between two words is a run of one and needs nothing).
struct InPlaceWriter {
    std::uint8_t* reversedLine;
    qsizetype n;
    void reversed(const std::uint8_t*, qsizetype) {}
    void range(qsizetype from, qsizetype to) {
        if (to - from > 1) {
            detail::reverseBytes(reversedLine + (n - to), to - from);
        }
    }
};

// Writes a line kept in a spill buffer.
struct SpillWriter {
    SpillBuffer& line;
    Output& out;
    void reversed(const std::uint8_t* p, qsizetype n) { out.appendReversed(p, n); }
    void range(qsizetype from, qsizetype to) { line.copyTo(from, to, out); }
};

// Reorder stage of the right-to-left converter: every line is walked as it is completed; a
// line still open at a chunk's end is carried in a spill buffer.
class RtlOrder {
public:
    RtlOrder(Output& out, const ConvertOptions& options)
        : m_out(out), m_line(options.spillThreshold, options.tempFolder),
          m_portable(options.portableLoops) {}

    std::uint8_t* space(qsizetype n) { return m_converted.space(n); }
    void lineEnd(qsizetype from, qsizetype to) { m_ends.push_back({from, to}); }

    // masks describe data when scanned is true.
    bool endChunk(const std::uint8_t* data, qsizetype n, ClassMasks& masks, bool scanned) {
        if (!scanned) {
            masks.scan(data, n, m_portable);
        }
        qsizetype start = 0;
        for (const auto& [from, to] : m_ends) {
            if (m_line.empty()) {
                walkInPlace(data, masks, start, from);
            } else {
                m_line.append(data + start, from - start);
                walkCarried();
            }
            m_out.append(data + from, to - from);
            start = to;
        }
        m_ends.clear();
        m_line.append(data + start, n - start);
        return !m_out.failed() && m_line.ok();
    }

    bool finish() {
        walkCarried(); // a last line without a line end gets none
        return m_line.ok();
    }

private:
    // Writes the line data[lo..hi) as the walk does: reversed whole, then the held-back runs
    // turned back. Through the walk itself with the plain loops; otherwise only runs of two
    // or more bytes that are not Persian are looked at: a held-back run lies in one of them,
    // from its start to its last neutral byte, and a shorter one needs nothing.
    void walkInPlace(const std::uint8_t* data, const ClassMasks& masks, qsizetype lo,
                     qsizetype hi) {
        const qsizetype n = hi - lo;
        std::uint8_t* line = m_out.reserve(n);
        detail::reverseCopy(data + lo, n, line);
        InPlaceWriter writer{line, n};
        if (m_portable) {
            RtlWalk walk;
            walk.visit(data, masks, lo, hi, 0, writer);
            walk.finish(writer);
        } else {
            for (qsizetype k = masks.nextNonPersianPair(lo, hi); k < hi;) {
                const qsizetype start = masks.prevPersian(lo, k) + 1;
                const qsizetype end = masks.nextPersian(k, hi);
                const qsizetype lastNeutral = masks.prevNeutral(start, end);
                if (lastNeutral >= start) {
                    writer.range(start - lo, lastNeutral + 1 - lo);
                }
                k = masks.nextNonPersianPair(end, hi);
            }
        }
        m_out.advance(n);
    }

    // Walks the carried line: the part in memory, then the part on disk block by block from
    // its end.
    void walkCarried() {
        if (m_line.empty()) {
            return;
        }
        SpillWriter writer{m_line, m_out};
        RtlWalk walk;
        ClassMasks masks;
        masks.scan(m_line.memory(), m_line.memorySize(), m_portable);
        walk.visit(m_line.memory(), masks, 0, m_line.memorySize(), m_line.fileSize(), writer);
        const qsizetype block = std::min<qsizetype>(m_line.fileSize(), 64 * 1024);
        m_block.resize(static_cast<std::size_t>(block));
        for (qsizetype end = m_line.fileSize(); end > 0 && m_line.ok();) {
            const qsizetype n = std::min(end, block);
            if (m_line.readFile(end - n, n, m_block.data())) {
                masks.scan(m_block.data(), n, m_portable);
                walk.visit(m_block.data(), masks, 0, n, end - n, writer);
            }
            end -= n;
        }
        walk.finish(writer);
        m_line.clear();
    }

    Output& m_out;
    Scratch m_converted;
    std::vector<std::pair<qsizetype, qsizetype>> m_ends; // each line end's output in the chunk
    SpillBuffer m_line;
    std::vector<std::uint8_t> m_block;
    bool m_portable;
};

// Reorder stage of the left-to-right converter: each run of Persian characters (with the
// joining punctuation inside and after it) is written reversed when a neutral or Latin
// character or the end of the file closes it. A run still open at a chunk's end is carried
// in a spill buffer.
class LtrOrder {
public:
    LtrOrder(Output& out, const ConvertOptions& options)
        : m_out(out), m_run(options.spillThreshold, options.tempFolder),
          m_portable(options.portableLoops) {}

    std::uint8_t* space(qsizetype n) { return m_converted.space(n); }
    void lineEnd(qsizetype, qsizetype) {}

    // masks describe data when scanned is true.
    bool endChunk(const std::uint8_t* data, qsizetype n, ClassMasks& masks, bool scanned) {
        if (!scanned) {
            masks.scan(data, n, m_portable);
        }
        m_masks = &masks;
        qsizetype pos = 0;
        if (m_inRun) { // the run carried from the chunk before
            pos = m_masks->nextNeutral(0, n);
            if (pos == n) {
                m_run.append(data, n);
                return !m_out.failed() && m_run.ok();
            }
            closeRun(data, pos);
            m_inRun = false;
        }
        // The rest is copied as it stands and each run closed inside it reversed in place;
        // a run still open at the end is carried. The plain loops step from run to run; the
        // fast path finds every start and end at once.
        m_changes.clear();
        if (m_portable) {
            for (qsizetype k = m_masks->nextPersian(pos, n); k < n;) {
                m_changes.push_back(k);
                k = m_masks->nextNeutral(k, n);
                if (k < n) {
                    m_changes.push_back(k);
                    k = m_masks->nextPersian(k, n);
                }
            }
        } else {
            m_masks->runChanges(pos, n, m_changes);
        }
        const bool endsInRun = m_changes.size() % 2 != 0;
        const qsizetype open = endsInRun ? m_changes.back() : n;
        // Eight spare bytes let every run be reversed with whole words.
        std::uint8_t* out = m_out.reserve(open - pos + 8);
        if (open > pos) { // an empty chunk may have no data at all
            std::memcpy(out, data + pos, static_cast<std::size_t>(open - pos));
        }
        for (std::size_t r = 0; r + 1 < m_changes.size(); r += 2) {
            detail::reverseBytesPadded(out + (m_changes[r] - pos), m_changes[r + 1] - m_changes[r]);
        }
        m_out.advance(open - pos);
        m_inRun = open < n;
        m_run.append(data + open, n - open);
        return !m_out.failed() && m_run.ok();
    }

    bool finish() {
        closeRun(nullptr, 0);
        return m_run.ok();
    }

private:
    // Writes the carried part of the run and then [p, p + n), all reversed.
    void closeRun(const std::uint8_t* p, qsizetype n) {
        m_out.appendReversed(p, n);
        m_run.copyReversedTo(m_out);
        m_run.clear();
    }

    Output& m_out;
    Scratch m_converted;
    SpillBuffer m_run;
    const ClassMasks* m_masks = nullptr; // of the chunk in hand
    std::vector<qsizetype> m_changes;    // where runs start and end in it
    bool m_portable;
    bool m_inRun = false;
};

// Reorder stage of plain conversion: the bytes as they come.
class NoOrder {
public:
    NoOrder(Output& out, const ConvertOptions&) : m_out(out) {}
    // The chunk is segmented straight into the output buffer.
    std::uint8_t* space(qsizetype n) { return m_out.reserve(n); }
    void lineEnd(qsizetype, qsizetype) {}
    bool endChunk(const std::uint8_t*, qsizetype n, ClassMasks&, bool) {
        m_out.advance(n);
        return !m_out.failed();
    }
    bool finish() { return true; }

private:
    Output& m_out;
};

// Reads the source chunk by chunk, segments each chunk and hands its output to the order
// stage, then puts the destination in place. The write failure message is shown here for
// all three converters.
template <typename Order>
ConvertStatus convertText(detail::Source& source, detail::Sink& sink, const ConversionTable& table,
                          bool secondFirst, const ConvertOptions& options) {
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    // A chunk and a kept pair head convert to at most twice as many bytes; the left-to-right
    // walk asks for 8 more.
    Output out(sink, 2 * (chunkSize + 1) + 8);
    if (!out.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    Order order(out, options);
    Segmenter segment(table, secondFirst);
    ClassMasks masks; // of the converted chunk
    // A kept pair head comes first in the next chunk.
    std::vector<std::uint8_t> in(static_cast<std::size_t>(chunkSize) + 1);
    qsizetype carry = 0;
    ConvertStatus status = ConvertStatus::Success;
    for (;;) {
        const qsizetype n = source.fill(in.data() + carry, chunkSize);
        if (n < 0) {
            status = source.error() == common::SourceError::Changed ? ConvertStatus::SourceChanged
                                                                    : ConvertStatus::ReadFailed;
            break;
        }
        const bool atEnd = n < chunkSize;
        const qsizetype total = carry + n;
        std::uint8_t* const converted = order.space(2 * total);
        qsizetype produced = total;
        qsizetype taken = total;
        const auto lineEnd = [&order](qsizetype from, qsizetype to) { order.lineEnd(from, to); };
        const bool simple = segment.runSimple(in.data(), total, converted, options.portableLoops,
                                              !std::is_same_v<Order, NoOrder>, lineEnd, masks);
        if (!simple) {
            taken = segment.run(in.data(), total, atEnd, converted, produced, lineEnd);
        }
        carry = total - taken;
        if (carry > 0) {
            in[0] = in[static_cast<std::size_t>(taken)];
        }
        if (!order.endChunk(converted, produced, masks, simple)) {
            status = out.failed() ? ConvertStatus::WriteFailed : ConvertStatus::ReadFailed;
            break;
        }
        if (atEnd) {
            if (!order.finish()) {
                status = ConvertStatus::ReadFailed;
            }
            break;
        }
    }
    if (status == ConvertStatus::Success && !out.commit()) {
        status = ConvertStatus::WriteFailed;
    }
    if (status == ConvertStatus::Success && options.noCounterpart != nullptr) {
        *options.noCounterpart += segment.counted();
    }
    return status;
}

template <typename Order>
ConvertStatus convertTextFile(const QString& sourcePath, const QString& destinationPath,
                              const ConversionTable& table, bool secondFirst,
                              common::Messenger& messenger, const ConvertOptions& options) {
    return convertFile(sourcePath, destinationPath, messenger,
                       [&](detail::Source& source, detail::Sink& sink) {
                           return convertText<Order>(source, sink, table, secondFirst, options);
                       });
}

template <typename Order>
ConvertStatus convertTextBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                               bool secondFirst, const ConvertOptions& options) {
    out.clear();
    detail::SourceBytes source(in);
    detail::DestinationBytes sink(out);
    return convertText<Order>(source, sink, table, secondFirst, options);
}

} // namespace

namespace detail {

ConvertStatus convertFile(const QString& sourcePath, const QString& destinationPath,
                          common::Messenger& messenger,
                          const std::function<ConvertStatus(Source&, Sink&)>& convert) {
    SourceFile source;
    if (const common::SourceError opened = source.open(sourcePath);
        opened != common::SourceError::None) {
        return sourceStatus(opened);
    }
    DestinationFile destination(destinationPath);
    const ConvertStatus status = convert(source, destination);
    if (status == ConvertStatus::WriteFailed) {
        messenger.MsgBox(writeFailedMessage(), common::kOkOnly, QString());
    }
    return status;
}

} // namespace detail

ConvertStatus ConvertTextFile(const QString& source, const QString& destination,
                              const ConversionTable& table, common::Messenger& messenger,
                              const ConvertOptions& options) {
    return convertTextFile<NoOrder>(source, destination, table, false, messenger, options);
}

ConvertStatus ConvertTextFileRtl(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options) {
    return convertTextFile<RtlOrder>(source, destination, table, true, messenger, options);
}

ConvertStatus ConvertTextFileLtr(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options) {
    return convertTextFile<LtrOrder>(source, destination, table, true, messenger, options);
}

ConvertStatus ConvertTextBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                               const ConvertOptions& options) {
    return convertTextBytes<NoOrder>(in, out, table, false, options);
}

ConvertStatus ConvertTextBytesRtl(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                                  const ConvertOptions& options) {
    return convertTextBytes<RtlOrder>(in, out, table, true, options);
}

ConvertStatus ConvertTextBytesLtr(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                                  const ConvertOptions& options) {
    return convertTextBytes<LtrOrder>(in, out, table, true, options);
}

} // namespace zerva::converter
