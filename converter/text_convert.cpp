// The three text converters as stages over chunks of the source: the table turns source
// bytes into units and their output bytes (segment), the bytes are put in order (none, the
// right-to-left walk over each line, the left-to-right walk over Persian runs) and written.
// With UTF-8 output the walks move tagged elements instead of bytes, in the same order.
#include "converter/text_convert.h"

#include "converter/byte_reverse.h"
#include "converter/class_scan.h"
#include "converter/converter_messages.h"
#include "converter/segmenter.h"
#include "converter/stream_io.h"
#include "converter/unit_text.h"
#include "converter/vector_kernels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>
#include <vector>

namespace zerva::converter {

using detail::convertFile;
using detail::isLineEnd;
using detail::Output;
using detail::Segmenter;
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

// With UTF-8 output the walks move elements instead of bytes: an element is an output byte
// of a unit, tagged with the unit and the byte's place among the unit's code page 1256 bytes
// (reading order), so that it can write the unit's Unicode text wherever the walk puts it.
// Bits 0-7: the code page 1256 byte (the walks go by its class); bits 8-17: the unit times
// two plus the place.
using Element = std::uint32_t;

inline std::uint8_t byteOf(Element e) {
    return static_cast<std::uint8_t>(e);
}

// The moves of the walks, on bytes (whole words at a time) and on elements.
inline void reverseRange(std::uint8_t* p, qsizetype n) {
    detail::reverseBytes(p, n);
}
inline void reverseRange(Element* p, qsizetype n) {
    std::reverse(p, p + n);
}
// p has room for 8 bytes past the range.
inline void reverseRangePadded(std::uint8_t* p, qsizetype n) {
    detail::reverseBytesPadded(p, n);
}
inline void reverseRangePadded(Element* p, qsizetype n) {
    std::reverse(p, p + n);
}
inline void reverseInto(const std::uint8_t* from, qsizetype n, std::uint8_t* to) {
    detail::reverseCopy(from, n, to);
}
inline void reverseInto(const Element* from, qsizetype n, Element* to) {
    std::reverse_copy(from, from + n, to);
}

// Scans the classes of a block of bytes or elements into masks.
class MaskScanner {
public:
    explicit MaskScanner(bool portable) : m_portable(portable) {}
    void scan(ClassMasks& masks, const std::uint8_t* data, qsizetype n) {
        masks.scan(data, n, m_portable);
    }
    void scan(ClassMasks& masks, const Element* data, qsizetype n) {
        m_bytes.resize(static_cast<std::size_t>(n));
        for (qsizetype k = 0; k < n; ++k) {
            m_bytes[static_cast<std::size_t>(k)] = byteOf(data[k]);
        }
        masks.scan(m_bytes.data(), n, m_portable);
    }
    bool portable() const { return m_portable; }

private:
    bool m_portable;
    std::vector<std::uint8_t> m_bytes;
};

// What the elements of every unit are and what each writes as UTF-8. When the unit's text
// has as many code points as the unit has code page 1256 bytes, the element of byte i writes
// code point i, so a walk that splits a two-byte unit splits its text the same way (a table
// without Unicode texts gives exactly its code page 1256 output decoded). Otherwise the
// text cannot be shared out: the unit's first byte (its place 0) writes the whole text and
// the other nothing. A unit that code page 1256 drops but that has a Unicode text of its own
// (a box-drawing character) gets one element, which the walks take as a neutral character
// (as the bidirectional algorithm takes such characters); other dropped units have none.
class ElementTexts {
public:
    explicit ElementTexts(const ConversionTable& table) {
        const UnitTexts texts(table);
        std::uint8_t neutral = ' ';
        while (ClassMasks::classBits()[neutral] != 2) { // bit 1 alone: neutral
            ++neutral;
        }
        for (int unit = 0; unit < kUnitCount; ++unit) {
            const UnitTexts::Bytes& b = texts.cp1256(unit);
            const UnitTexts::Text& t = texts.text(unit);
            Walked& w = m_walked[static_cast<std::size_t>(unit)];
            w.count = b.length;
            if (b.length == 0 && t.codePoints > 0) {
                const auto tag = static_cast<std::size_t>(2 * unit);
                w.count = 1;
                w.elements[0] = neutral | static_cast<Element>(tag << 8);
                m_pieces[tag] = texts.utf8(unit);
            }
            for (int i = 0; i < b.length; ++i) {
                const auto tag = static_cast<std::size_t>(2 * unit + i);
                // The walks take a unit's two bytes second first.
                w.elements[b.length - 1 - i] = b.bytes[i] | static_cast<Element>(tag << 8);
                UnitTexts::Utf8& piece = m_pieces[tag];
                if (t.codePoints == b.length) {
                    piece.length = static_cast<std::uint8_t>(encodeUtf8(t.points[i], piece.bytes));
                } else if (i == 0) {
                    piece = texts.utf8(unit);
                }
            }
        }
    }

    // A unit's elements in the walks' order.
    struct Walked {
        std::uint8_t count = 0;
        Element elements[2] = {};
    };
    const Walked& walked(int unit) const { return m_walked[static_cast<std::size_t>(unit)]; }
    const UnitTexts::Utf8& utf8(Element e) const { return m_pieces[e >> 8]; }

private:
    std::array<Walked, kUnitCount> m_walked{};
    std::array<UnitTexts::Utf8, 2 * kUnitCount> m_pieces{};
};

// The output of the walks with UTF-8: elements gathered, then written as their UTF-8 to the
// byte output in blocks. The same calls as Output.
class ElementOutput {
public:
    static constexpr qsizetype kBlock = 4096;
    // The byte output needs room for the UTF-8 of a block.
    static constexpr qsizetype kBytesNeeded = 8 * (kBlock + 1);

    ElementOutput(Output& out, const ElementTexts& texts, qsizetype capacity)
        : m_out(out), m_texts(texts), m_capacity(std::max<qsizetype>(capacity, 16)) {
        m_data.resize(static_cast<std::size_t>(m_capacity));
    }
    void append(const Element* p, qsizetype n) {
        while (n > 0) {
            if (m_used == m_capacity) {
                flush();
            }
            const qsizetype k = std::min(n, m_capacity - m_used);
            std::copy(p, p + k, m_data.data() + m_used);
            m_used += k;
            p += k;
            n -= k;
        }
    }
    void appendReversed(const Element* p, qsizetype n) {
        while (n > 0) {
            if (m_used == m_capacity) {
                flush();
            }
            const qsizetype k = std::min(n, m_capacity - m_used);
            std::reverse_copy(p + n - k, p + n, m_data.data() + m_used);
            m_used += k;
            n -= k;
        }
    }
    Element* reserve(qsizetype n) {
        if (m_capacity - m_used < n) {
            flush();
        }
        return m_data.data() + m_used;
    }
    void advance(qsizetype n) { m_used += n; }
    bool failed() const { return m_out.failed(); }
    // Writes the gathered elements' UTF-8 to the byte output.
    bool flush() {
        for (qsizetype from = 0; from < m_used; from += kBlock) {
            const qsizetype to = std::min(m_used, from + kBlock);
            std::uint8_t* const utf8 = m_out.reserve(8 * (to - from + 1));
            qsizetype o = 0;
            for (qsizetype k = from; k < to; ++k) {
                const UnitTexts::Utf8& piece = m_texts.utf8(m_data[static_cast<std::size_t>(k)]);
                std::memcpy(utf8 + o, piece.bytes, 8);
                o += piece.length;
            }
            m_out.advance(o);
        }
        m_used = 0;
        return !m_out.failed();
    }

private:
    Output& m_out;
    const ElementTexts& m_texts;
    std::vector<Element> m_data;
    qsizetype m_capacity;
    qsizetype m_used = 0;
};

template <typename E>
using OutputFor = std::conditional_t<std::is_same_v<E, Element>, ElementOutput, Output>;

// How many bytes or elements of a line or run are kept in memory: the spill threshold counts
// bytes of memory, so elements spill sooner.
template <typename E> qsizetype spillLimit(const ConvertOptions& options) {
    return std::max<qsizetype>(options.spillThreshold / qsizetype{sizeof(E)}, 1);
}

// A chunk's converted bytes or elements, where they are reordered before being written.
template <typename E> class Scratch {
public:
    E* space(qsizetype n) {
        if (m_data.size() < static_cast<std::size_t>(n)) {
            m_data.resize(static_cast<std::size_t>(n));
        }
        return m_data.data();
    }

private:
    std::vector<E> m_data;
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
    template <typename E, typename Writer>
    void visit(const E* data, const ClassMasks& masks, qsizetype lo, qsizetype hi,
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
template <typename E> struct InPlaceWriter {
    E* reversedLine;
    qsizetype n;
    void reversed(const E*, qsizetype) {}
    void range(qsizetype from, qsizetype to) {
        if (to - from > 1) {
            reverseRange(reversedLine + (n - to), to - from);
        }
    }
};

// Writes a line kept in a spill buffer.
template <typename E> struct SpillWriter {
    SpillBuffer<E>& line;
    OutputFor<E>& out;
    void reversed(const E* p, qsizetype n) { out.appendReversed(p, n); }
    void range(qsizetype from, qsizetype to) { line.copyTo(from, to, out); }
};

// Reorder stage of the right-to-left converter: every line is walked as it is completed; a
// line still open at a chunk's end is carried in a spill buffer. E: bytes, or elements for
// UTF-8 output.
template <typename E> class RtlOrder {
public:
    RtlOrder(OutputFor<E>& out, const ConvertOptions& options)
        : m_out(out), m_line(spillLimit<E>(options), options.tempFolder),
          m_scanner(options.portableLoops) {}

    E* space(qsizetype n) { return m_converted.space(n); }
    void lineEnd(qsizetype from, qsizetype to) { m_ends.push_back({from, to}); }

    // masks describe data when scanned is true.
    bool endChunk(const E* data, qsizetype n, ClassMasks& masks, bool scanned) {
        if (!scanned) {
            m_scanner.scan(masks, data, n);
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
    void walkInPlace(const E* data, const ClassMasks& masks, qsizetype lo, qsizetype hi) {
        const qsizetype n = hi - lo;
        E* line = m_out.reserve(n);
        reverseInto(data + lo, n, line);
        InPlaceWriter<E> writer{line, n};
        if (m_scanner.portable()) {
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
        SpillWriter<E> writer{m_line, m_out};
        RtlWalk walk;
        ClassMasks masks;
        m_scanner.scan(masks, m_line.memory(), m_line.memorySize());
        walk.visit(m_line.memory(), masks, 0, m_line.memorySize(), m_line.fileSize(), writer);
        const qsizetype block = std::min<qsizetype>(m_line.fileSize(), 64 * 1024);
        m_block.resize(static_cast<std::size_t>(block));
        for (qsizetype end = m_line.fileSize(); end > 0 && m_line.ok();) {
            const qsizetype n = std::min(end, block);
            if (m_line.readFile(end - n, n, m_block.data())) {
                m_scanner.scan(masks, m_block.data(), n);
                walk.visit(m_block.data(), masks, 0, n, end - n, writer);
            }
            end -= n;
        }
        walk.finish(writer);
        m_line.clear();
    }

    OutputFor<E>& m_out;
    Scratch<E> m_converted;
    std::vector<std::pair<qsizetype, qsizetype>> m_ends; // each line end's output in the chunk
    SpillBuffer<E> m_line;
    std::vector<E> m_block;
    MaskScanner m_scanner;
};

// Reorder stage of the left-to-right converter: each run of Persian characters (with the
// joining punctuation inside and after it) is written reversed when a neutral or Latin
// character or the end of the file closes it. A run still open at a chunk's end is carried
// in a spill buffer. E: bytes, or elements for UTF-8 output.
template <typename E> class LtrOrder {
public:
    LtrOrder(OutputFor<E>& out, const ConvertOptions& options)
        : m_out(out), m_run(spillLimit<E>(options), options.tempFolder),
          m_scanner(options.portableLoops) {}

    E* space(qsizetype n) { return m_converted.space(n); }
    void lineEnd(qsizetype, qsizetype) {}

    // masks describe data when scanned is true.
    bool endChunk(const E* data, qsizetype n, ClassMasks& masks, bool scanned) {
        if (!scanned) {
            m_scanner.scan(masks, data, n);
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
        if (m_scanner.portable()) {
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
        E* out = m_out.reserve(open - pos + 8);
        if (open > pos) { // an empty chunk may have no data at all
            std::memcpy(out, data + pos, static_cast<std::size_t>(open - pos) * sizeof(E));
        }
        for (std::size_t r = 0; r + 1 < m_changes.size(); r += 2) {
            reverseRangePadded(out + (m_changes[r] - pos), m_changes[r + 1] - m_changes[r]);
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
    void closeRun(const E* p, qsizetype n) {
        m_out.appendReversed(p, n);
        m_run.copyReversedTo(m_out);
        m_run.clear();
    }

    OutputFor<E>& m_out;
    Scratch<E> m_converted;
    SpillBuffer<E> m_run;
    const ClassMasks* m_masks = nullptr; // of the chunk in hand
    std::vector<qsizetype> m_changes;    // where runs start and end in it
    MaskScanner m_scanner;
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

// Plain conversion has no elements; the name lets the converters be written alike.
template <typename> using NoOrderOf = NoOrder;

// The status once the loop over the chunks has ended: the reader's, then the order stage's
// last lines (which may fail to come back from their spill file, or to be written).
template <typename Order, typename Out>
ConvertStatus afterLastChunk(ConvertStatus status, const detail::ChunkReader& reader, Order& order,
                             const Out& out) {
    if (status == ConvertStatus::Success) {
        status = reader.status();
    }
    if (status == ConvertStatus::Success && !order.finish()) {
        status = out.failed() ? ConvertStatus::WriteFailed : ConvertStatus::ReadFailed;
    }
    return status;
}

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
    // A pair head that ends a chunk comes first in the next.
    detail::ChunkReader reader(source, chunkSize, 1);
    ConvertStatus status = ConvertStatus::Success;
    while (reader.next()) {
        const qsizetype total = reader.size();
        std::uint8_t* const converted = order.space(2 * total);
        qsizetype produced = total;
        qsizetype taken = total;
        const auto lineEnd = [&order](qsizetype from, qsizetype to) { order.lineEnd(from, to); };
        const bool simple =
            segment.runSimple(reader.data(), total, converted, options.portableLoops,
                              !std::is_same_v<Order, NoOrder>, lineEnd, masks);
        if (!simple) {
            taken = segment.run(reader.data(), total, reader.atEnd(), converted, produced, lineEnd);
        }
        reader.keepFrom(taken);
        if (!order.endChunk(converted, produced, masks, simple)) {
            status = out.failed() ? ConvertStatus::WriteFailed : ConvertStatus::ReadFailed;
            break;
        }
    }
    status = afterLastChunk(status, reader, order, out);
    return detail::finishConversion(status, out, segment.counted(), options);
}

// Each byte's UTF-8 as one fixed-width entry, for the plain conversion's loop: 8 bytes
// copied at once, and the output advanced by the text's length. A byte that may start a pair
// or that is counted has no entry (length kSpecial); the general loop takes it. Runs of bytes
// whose UTF-8 has at most four bytes go through the vector kernel.
class ByteUtf8 {
public:
    static constexpr std::uint8_t kSpecial = 0xFF;

    ByteUtf8(const ConversionTable& table, const UnitTexts& texts) {
        for (int x = 0; x < 256; ++x) {
            const auto at = static_cast<std::size_t>(x);
            const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
            const UnitTexts::Utf8& t = texts.utf8(x);
            std::memcpy(&m_bytes[at], t.bytes, 8);
            m_length[at] = e.pairHead != 0 || e.noCounterpart ? kSpecial : t.length;
            for (std::size_t j = 0; j < 4; ++j) {
                m_wide[256 * j + at] = j < t.length ? t.bytes[j] : 0xFF;
            }
            if (m_length[at] > 4) {
                m_wide[at] = 0xFE; // left to the loop below
            }
        }
    }

    // Writes the UTF-8 of in[0..n) to out (room for 8 more bytes than it writes, and for 4
    // per byte and 64 more from o on) up to the first byte without an entry; returns how many
    // bytes it took and adds the output's length to o.
    qsizetype run(const std::uint8_t* in, qsizetype n, std::uint8_t* out, qsizetype& o) const {
        qsizetype i = 0;
        while (i < n) {
            qsizetype end = n;
            if (m_vector) {
                // The kernel stops before a vector holding a byte it leaves; the loop below
                // takes that vector's bytes (a vector has at most 64) and then hands back.
                i += expandUtf8(m_wide, in + i, n - i, out, o);
                end = std::min(n, i + 64);
            }
            qsizetype at = o;
            for (; i < end; ++i) {
                const std::uint8_t x = in[i];
                const std::uint8_t length = m_length[x];
                if (length == kSpecial) {
                    o = at;
                    return i;
                }
                std::memcpy(out + at, &m_bytes[x], 8);
                at += length;
            }
            o = at;
        }
        return i;
    }

private:
    std::array<std::uint64_t, 256> m_bytes{};
    std::array<std::uint8_t, 256> m_length{};
    Utf8Table m_wide{};
    bool m_vector = expandsUtf8();
};

// Plain conversion to UTF-8: each unit writes its Unicode text. The bytes that are units by
// themselves go through one table lookup each; from the first that is not, the chunk takes
// the general loop.
ConvertStatus convertTextUtf8(detail::Source& source, detail::Sink& sink,
                              const ConversionTable& table, const ConvertOptions& options) {
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    // A unit writes at most 8 bytes, and the writer copies 8 at a time.
    Output out(sink, 8 * (chunkSize + 2));
    if (!out.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    const UnitTexts texts(table);
    const ByteUtf8 fast(table, texts);
    Segmenter segment(table, false);
    detail::ChunkReader reader(source, chunkSize, 1);
    ConvertStatus status = ConvertStatus::Success;
    while (reader.next()) {
        std::uint8_t* const utf8 = out.reserve(8 * (reader.size() + 1));
        qsizetype o = 0;
        qsizetype produced = 0;
        // The plain loops take the general loop for every byte (tests compare the two).
        const qsizetype done =
            options.portableLoops ? 0 : fast.run(reader.data(), reader.size(), utf8, o);
        reader.keepFrom(done + segment.segment(
                                   reader.data() + done, reader.size() - done, reader.atEnd(),
                                   [&](std::uint8_t x, const PairEntry* pair) {
                                       const UnitTexts::Utf8& t =
                                           texts.utf8(pair != nullptr ? pairUnit(table, *pair) : x);
                                       std::memcpy(utf8 + o, t.bytes, 8);
                                       return o += t.length;
                                   },
                                   produced, [](qsizetype, qsizetype) {}));
        out.advance(o);
        if (out.failed()) {
            status = ConvertStatus::WriteFailed;
            break;
        }
    }
    if (status == ConvertStatus::Success) {
        status = reader.status();
    }
    return detail::finishConversion(status, out, segment.counted(), options);
}

// Writes the elements of in[0..n) to out from o on, up to the first byte of kind 2 (see
// convertTextElements), and tells order where the line ends are; returns how many bytes it
// took and advances o.
template <typename Order>
qsizetype plainElements(const std::uint8_t* in, qsizetype n,
                        const std::array<std::uint8_t, 256>& kinds, const ElementTexts& texts,
                        Element* out, qsizetype& o, Order& order) {
    qsizetype at = o;
    qsizetype i = 0;
    for (; i < n; ++i) {
        const std::uint8_t x = in[i];
        const std::uint8_t kind = kinds[x];
        if (kind == 2) {
            break;
        }
        const ElementTexts::Walked& w = texts.walked(x);
        out[at] = w.elements[0];
        out[at + 1] = w.elements[1];
        if (kind == 1) {
            order.lineEnd(at, at + w.count);
        }
        at += w.count;
    }
    o = at;
    return i;
}

// A walk to UTF-8: the chunk is segmented into elements, which the order stage moves as it
// moves bytes, and each element writes its UTF-8 when it goes out.
template <template <typename> class Order>
ConvertStatus convertTextElements(detail::Source& source, detail::Sink& sink,
                                  const ConversionTable& table, const ConvertOptions& options) {
    // An element takes four bytes: chunks of a quarter of the size keep the buffers as large
    // as those of the byte walks.
    const qsizetype chunkSize =
        std::max<qsizetype>(options.chunkSize / qsizetype{sizeof(Element)}, 1);
    Output bytes(sink, 8 * ElementOutput::kBytesNeeded); // written on in pieces of 224 KB or more
    if (!bytes.open()) {
        return ConvertStatus::DestinationUncreatable;
    }
    const ElementTexts texts(table);
    ElementOutput out(bytes, texts, 2 * (chunkSize + 1) + 8);
    Order<Element> order(out, options);
    Segmenter segment(table, true);
    ClassMasks masks;
    detail::ChunkReader reader(source, chunkSize, 1);
    ConvertStatus status = ConvertStatus::Success;
    const std::array<std::uint8_t, 256> kinds = detail::unitKinds(table);
    while (reader.next()) {
        Element* const converted = order.space(2 * reader.size());
        // The bytes that are units by themselves through one table lookup each; from the
        // first that is not, the general loop (for every byte with the plain loops).
        qsizetype start = 0;
        const qsizetype done = options.portableLoops
                                   ? 0
                                   : plainElements(reader.data(), reader.size(), kinds, texts,
                                                   converted, start, order);
        qsizetype produced = 0;
        qsizetype o = 0;
        Element* const rest = converted + start;
        reader.keepFrom(done + segment.segment(
                                   reader.data() + done, reader.size() - done, reader.atEnd(),
                                   [&](std::uint8_t x, const PairEntry* pair) {
                                       const ElementTexts::Walked& w = texts.walked(
                                           pair != nullptr ? pairUnit(table, *pair) : x);
                                       rest[o] = w.elements[0];
                                       rest[o + 1] = w.elements[1];
                                       return o += w.count;
                                   },
                                   produced,
                                   [&order, start](qsizetype from, qsizetype to) {
                                       order.lineEnd(start + from, start + to);
                                   }));
        produced += start;
        if (!order.endChunk(converted, produced, masks, false)) {
            status = out.failed() ? ConvertStatus::WriteFailed : ConvertStatus::ReadFailed;
            break;
        }
    }
    status = afterLastChunk(status, reader, order, out);
    out.flush();
    return detail::finishConversion(status, bytes, segment.counted(), options);
}

// The conversion of a whole source with the order stage (none, or a walk), in code page 1256
// or UTF-8.
template <template <typename> class Order>
ConvertStatus convertWhole(detail::Source& source, detail::Sink& sink, const ConversionTable& table,
                           bool secondFirst, const ConvertOptions& options) {
    if constexpr (std::is_same_v<Order<std::uint8_t>, NoOrderOf<std::uint8_t>>) {
        if (options.output == TextOutput::Utf8) {
            return convertTextUtf8(source, sink, table, options);
        }
    } else {
        if (options.output == TextOutput::Utf8) {
            return convertTextElements<Order>(source, sink, table, options);
        }
    }
    return convertText<Order<std::uint8_t>>(source, sink, table, secondFirst, options);
}

template <template <typename> class Order>
ConvertStatus convertTextFile(const QString& sourcePath, const QString& destinationPath,
                              const ConversionTable& table, bool secondFirst,
                              common::Messenger& messenger, const ConvertOptions& options) {
    return convertFile(sourcePath, destinationPath, messenger,
                       [&](detail::Source& source, detail::Sink& sink) {
                           return convertWhole<Order>(source, sink, table, secondFirst, options);
                       });
}

template <template <typename> class Order>
ConvertStatus convertTextBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                               bool secondFirst, const ConvertOptions& options) {
    out.clear();
    detail::SourceBytes source(in);
    detail::DestinationBytes sink(out);
    return convertWhole<Order>(source, sink, table, secondFirst, options);
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
    return convertTextFile<NoOrderOf>(source, destination, table, false, messenger, options);
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
    return convertTextBytes<NoOrderOf>(in, out, table, false, options);
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
