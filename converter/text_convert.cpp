// The three text converters over one streaming loop of conversion units.
#include "converter/text_convert.h"

#include "converter/char_class.h"
#include "converter/converter_messages.h"
#include "converter/stream_io.h"

#include <algorithm>
#include <vector>

namespace zerva::converter {

using detail::DestinationFile;
using detail::OutBuffer;
using detail::SourceFile;
using detail::SpillBuffer;

namespace {

constexpr std::uint8_t kPairHead = 1; // the byte may start a pair entry
constexpr std::uint8_t kLineEnd = 2;  // a line feed or carriage return

// What one source byte yields when no pair matches, precomputed for the hot loop: len bytes
// (0-2) of b0, b1 in the order the converter writes them.
struct Unit {
    std::uint8_t len;
    std::uint8_t b0;
    std::uint8_t b1;
    std::uint8_t flags;
};

using UnitMap = std::array<Unit, 256>;

UnitMap makeUnits(const ConversionTable& table, bool secondFirst) {
    UnitMap map{};
    for (int x = 0; x < 256; ++x) {
        const ByteEntry& e = table.byte(static_cast<std::uint8_t>(x));
        Unit& u = map[x];
        u.len = e.kind;
        u.b0 = (e.kind == 2 && secondFirst) ? e.out2 : e.out1;
        u.b1 = (e.kind == 2 && secondFirst) ? e.out1 : e.out2;
        u.flags = static_cast<std::uint8_t>((e.pairHead != 0 ? kPairHead : 0) |
                                            (x == 10 || x == 13 ? kLineEnd : 0));
    }
    return map;
}

// Reads the source chunk by chunk and hands every unit to the sink: sink.unit(x, u) for a
// byte converted alone, sink.pair(x, target) for a matched pair, sink.endChunk() after each
// chunk (false stops with a write failure). A byte that may start a pair and ends a chunk is
// kept back for the next one, so pairs across chunks match as anywhere else.
template <typename Sink>
ConvertStatus streamUnits(SourceFile& source, const ConversionTable& table, const UnitMap& map,
                          qsizetype chunkSize, Sink& sink) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunkSize) + 1);
    qsizetype carry = 0;
    for (;;) {
        const qsizetype n = source.fill(buffer.data() + carry, chunkSize);
        if (n < 0) {
            return ConvertStatus::ReadFailed;
        }
        const bool atEnd = n < chunkSize;
        const qsizetype total = carry + n;
        const std::uint8_t* data = buffer.data();
        qsizetype i = 0;
        while (i < total) {
            const std::uint8_t x = data[i];
            const Unit& u = map[x];
            if (u.flags & kPairHead) [[unlikely]] {
                if (i + 1 < total) {
                    const int target = table.findPair(x, data[i + 1]);
                    if (target >= 0) {
                        sink.pair(x, static_cast<std::uint8_t>(target));
                        i += 2;
                        continue;
                    }
                } else if (!atEnd) {
                    break;
                }
            }
            sink.unit(x, u);
            ++i;
        }
        carry = total - i;
        if (carry > 0) {
            buffer[0] = data[i];
        }
        if (!sink.endChunk()) {
            return ConvertStatus::WriteFailed;
        }
        if (atEnd) {
            return ConvertStatus::Success;
        }
    }
}

// Opens both files, streams the units through the sink, finishes and puts the destination
// in place; the write failure message is shown here for all converters.
template <typename MakeSink>
ConvertStatus runConversion(const QString& sourcePath, const QString& destinationPath,
                            const ConversionTable& table, bool secondFirst,
                            common::Messenger& messenger, const ConvertOptions& options,
                            MakeSink makeSink) {
    SourceFile source;
    if (!source.open(sourcePath)) {
        return ConvertStatus::SourceUnreadable;
    }
    DestinationFile destination;
    if (!destination.open(destinationPath)) {
        return ConvertStatus::DestinationUncreatable;
    }
    const qsizetype chunkSize = std::max<qsizetype>(options.chunkSize, 1);
    const UnitMap map = makeUnits(table, secondFirst);
    auto sink = makeSink(destination, chunkSize);
    ConvertStatus status = streamUnits(source, table, map, chunkSize, sink);
    if (status == ConvertStatus::Success) {
        status = sink.finish();
    }
    if (status == ConvertStatus::Success && !destination.commit()) {
        status = ConvertStatus::WriteFailed;
    }
    if (status == ConvertStatus::WriteFailed) {
        messenger.MsgBox(writeFailedMessage(), common::kOkOnly, QString());
    }
    return status;
}

// Plain conversion: units go straight into an output array written once per chunk.
class PlainSink {
public:
    PlainSink(DestinationFile& file, qsizetype chunkSize)
        : m_file(file), m_out(static_cast<std::size_t>(2 * chunkSize + 4)), m_next(m_out.data()) {}

    void unit(std::uint8_t, const Unit& u) {
        m_next[0] = u.b0;
        m_next[1] = u.b1;
        m_next += u.len;
    }
    void pair(std::uint8_t, std::uint8_t target) { *m_next++ = target; }
    bool endChunk() {
        const qsizetype n = m_next - m_out.data();
        m_next = m_out.data();
        return m_file.write(m_out.data(), n);
    }
    ConvertStatus finish() { return ConvertStatus::Success; }

private:
    DestinationFile& m_file;
    std::vector<std::uint8_t> m_out;
    std::uint8_t* m_next;
};

// Right-to-left: the converted line is gathered, then written walked from its end.
class RtlSink {
public:
    RtlSink(DestinationFile& file, qsizetype chunkSize, const ConvertOptions& options)
        : m_out(file, 2 * chunkSize + 4), m_line(options.spillThreshold, options.tempFolder),
          m_class(CharClass()) {}

    void unit(std::uint8_t x, const Unit& u) {
        if (u.flags & kLineEnd) [[unlikely]] {
            endLine();
            if (u.len > 0) {
                m_out.put(u.b0);
            }
            if (u.len > 1) {
                m_out.put(u.b1);
            }
            return;
        }
        (void)x;
        if (u.len > 0) {
            m_line.push(u.b0);
            if (u.len > 1) {
                m_line.push(u.b1);
            }
        }
    }
    void pair(std::uint8_t x, std::uint8_t target) {
        if (x == 10 || x == 13) {
            endLine();
            m_out.put(target);
        } else {
            m_line.push(target);
        }
    }
    bool endChunk() { return !m_out.failed(); }
    ConvertStatus finish() {
        endLine();
        if (!m_line.ok()) {
            return ConvertStatus::ReadFailed;
        }
        return m_out.flush() ? ConvertStatus::Success : ConvertStatus::WriteFailed;
    }

private:
    // Walks the line from its last byte to its first. With the Persian flag set, Persian
    // characters and joining punctuation are written as met; a Latin character clears the
    // flag and starts a held-back run (everything down to the next Persian character), which
    // is written in its own order when that character is reached or the line begins.
    void endLine() {
        bool persian = true;
        qsizetype heldEnd = 0; // one past the held-back run's last byte
        const auto visit = [&](const std::uint8_t* data, qsizetype base, qsizetype n) {
            for (qsizetype k = n; k-- > 0;) {
                const std::uint8_t c = data[k];
                const int cls = m_class[c];
                if (cls == 1) {
                    if (!persian) {
                        persian = true;
                        m_line.copyTo(base + k + 1, heldEnd, m_out);
                    }
                    m_out.put(c);
                } else if (cls == -1) {
                    if (persian) {
                        persian = false;
                        heldEnd = base + k + 1;
                    }
                } else if (persian) {
                    m_out.put(c);
                }
            }
        };
        visit(m_line.memory(), m_line.fileSize(), m_line.memorySize());
        if (m_line.fileSize() > 0) {
            const qsizetype block = std::min<qsizetype>(m_line.fileSize(), 64 * 1024);
            m_block.resize(static_cast<std::size_t>(block));
            for (qsizetype end = m_line.fileSize(); end > 0 && m_line.ok();) {
                const qsizetype n = std::min(end, block);
                if (m_line.readFile(end - n, n, m_block.data())) {
                    visit(m_block.data(), end - n, n);
                }
                end -= n;
            }
        }
        if (!persian) {
            m_line.copyTo(0, heldEnd, m_out);
        }
        m_line.clear();
    }

    OutBuffer m_out;
    SpillBuffer m_line;
    std::vector<std::uint8_t> m_block;
    const CharClassTable& m_class;
};

// Left-to-right: each run of Persian characters (with the joining punctuation inside it) is
// held back and written reversed when a neutral or Latin character or the end of the file
// closes it.
class LtrSink {
public:
    LtrSink(DestinationFile& file, qsizetype chunkSize, const ConvertOptions& options)
        : m_out(file, 2 * chunkSize + 4), m_run(options.spillThreshold, options.tempFolder),
          m_class(CharClass()) {}

    void unit(std::uint8_t, const Unit& u) {
        if (u.len > 0) {
            put(u.b0);
            if (u.len > 1) {
                put(u.b1);
            }
        }
    }
    void pair(std::uint8_t, std::uint8_t target) { put(target); }
    bool endChunk() { return !m_out.failed(); }
    ConvertStatus finish() {
        closeRun();
        if (!m_run.ok()) {
            return ConvertStatus::ReadFailed;
        }
        return m_out.flush() ? ConvertStatus::Success : ConvertStatus::WriteFailed;
    }

private:
    void put(std::uint8_t c) {
        const int cls = m_class[c];
        if (cls == 1) {
            m_persian = true;
            m_run.push(c);
        } else if (cls == 0 && m_persian) {
            m_run.push(c);
        } else {
            if (cls == -1) {
                closeRun();
            }
            m_out.put(c);
        }
    }
    void closeRun() {
        if (m_persian) {
            m_persian = false;
            m_run.copyReversedTo(m_out);
            m_run.clear();
        }
    }

    OutBuffer m_out;
    SpillBuffer m_run;
    const CharClassTable& m_class;
    bool m_persian = false;
};

} // namespace

ConvertStatus ConvertTextFile(const QString& source, const QString& destination,
                              const ConversionTable& table, common::Messenger& messenger,
                              const ConvertOptions& options) {
    return runConversion(
        source, destination, table, false, messenger, options,
        [](DestinationFile& file, qsizetype chunk) { return PlainSink(file, chunk); });
}

ConvertStatus ConvertTextFileRtl(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options) {
    return runConversion(source, destination, table, true, messenger, options,
                         [&options](DestinationFile& file, qsizetype chunk) {
                             return RtlSink(file, chunk, options);
                         });
}

ConvertStatus ConvertTextFileLtr(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options) {
    return runConversion(source, destination, table, true, messenger, options,
                         [&options](DestinationFile& file, qsizetype chunk) {
                             return LtrSink(file, chunk, options);
                         });
}

} // namespace zerva::converter
