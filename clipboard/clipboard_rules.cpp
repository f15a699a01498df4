// Text and RTF conversion with the clipboard's table.
#include "clipboard_rules.h"

#include "common/atomic_file.h"
#include "common/codepage.h"
#include "common/rtf_text.h"
#include "common/source_file.h"

#include <QFile>

namespace zerva::clipboard {

namespace {

void appendByte(QByteArray& out, QByteArrayView hex) {
    out.append(static_cast<char>(*HexToByte(hex)));
}

// Walks code page 1256 text unit by unit: a pair entry whose second byte follows wins over
// the single-byte entry. Calls pair(cells, record) for a matched pair (record indexes
// cells.pairs) and single(cells) for a byte on its own; returns the characters counted as
// having no counterpart.
template <typename Pair, typename Single>
qint64 walkUnits(const ClipboardTable& table, QByteArrayView text, Pair pair, Single single) {
    qint64 counted = 0;
    const qsizetype n = text.size();
    for (qsizetype p = 0; p < n; ++p) {
        const auto& cells = table[static_cast<std::uint8_t>(text[p])];
        if (!cells.pairs.isEmpty() && p + 1 < n) {
            const QByteArray key = ByteToHex(static_cast<std::uint8_t>(text[p + 1]));
            if (const qsizetype record = FindPairRecord(cells.pairs, key); record >= 0) {
                pair(cells, record);
                ++p;
                continue;
            }
        }
        counted += cells.noCounterpart ? 1 : 0;
        single(cells);
    }
    return counted;
}

void appendUnicode(QString& out, const UnicodeText& text) {
    out += QString::fromUcs4(text.points, text.count);
}

// Like convertTextBytes, but each unit whose Unicode text the table gives becomes that text;
// the others become their code page 1256 result decoded.
QString convertTextToUnicode(const ClipboardTable& table, QByteArrayView text,
                             qint64* noCounterpart) {
    QString out;
    QByteArray bytes; // code page 1256 results not yet decoded
    auto flush = [&] {
        out += common::fromCp1256(bytes);
        bytes.clear();
    };
    const qint64 counted = walkUnits(
        table, text,
        [&](const ByteCells& cells, qsizetype record) {
            if (record < cells.pairTexts.size() && cells.pairTexts[record].given()) {
                flush();
                appendUnicode(out, cells.pairTexts[record]);
            } else {
                appendByte(bytes, QByteArrayView(cells.pairs).sliced(record * 4 + 2, 2));
            }
        },
        [&](const ByteCells& cells) {
            if (cells.unicode.given()) {
                flush();
                appendUnicode(out, cells.unicode);
            } else if (!cells.out1Hex.isEmpty()) {
                appendByte(bytes, cells.out1Hex);
                if (!cells.out2Hex.isEmpty()) {
                    appendByte(bytes, cells.out2Hex);
                }
            }
        });
    flush();
    if (noCounterpart != nullptr) {
        *noCounterpart += counted;
    }
    return out;
}

} // namespace

QByteArray convertTextBytes(const ClipboardTable& table, QByteArrayView text,
                            qint64* noCounterpart) {
    QByteArray out;
    out.reserve(text.size());
    const qint64 counted = walkUnits(
        table, text,
        [&](const ByteCells& cells, qsizetype record) {
            appendByte(out, QByteArrayView(cells.pairs).sliced(record * 4 + 2, 2));
        },
        [&](const ByteCells& cells) {
            if (cells.out1Hex.isEmpty()) {
                return;
            }
            appendByte(out, cells.out1Hex);
            if (!cells.out2Hex.isEmpty()) {
                appendByte(out, cells.out2Hex);
            }
        });
    if (noCounterpart != nullptr) {
        *noCounterpart += counted;
    }
    return out;
}

QString convertText(const ClipboardTable& table, const QString& text, qint64* noCounterpart) {
    QString out;
    out.reserve(text.size());
    QByteArray run;
    auto flush = [&] {
        if (!run.isEmpty()) {
            out += table.hasUnicode()
                       ? convertTextToUnicode(table, run, noCounterpart)
                       : common::fromCp1256(convertTextBytes(table, run, noCounterpart));
            run.clear();
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        // A surrogate half has no byte in code page 1256, so both halves pass through.
        const auto byte = ch.isSurrogate() ? std::nullopt : common::cp1256Byte(ch.unicode());
        if (byte) {
            run.append(static_cast<char>(*byte));
        } else {
            flush();
            out += ch;
        }
    }
    flush();
    return out;
}

qsizetype CopyThrough(QByteArrayView input, QByteArray& output, qsizetype position,
                      char delimiter) {
    const qsizetype at = input.indexOf(delimiter, position);
    const qsizetype end = at < 0 ? input.size() : at + 1;
    output.append(input.sliced(position, end - position));
    return end;
}

namespace {

// The clipboard's table as the RTF reader sees it.
class ClipboardUnits : public common::rtf::Units {
public:
    explicit ClipboardUnits(const ClipboardTable& table) : m_table(table) {}

    bool startsPair(std::uint8_t byte) const override { return !m_table[byte].pairs.isEmpty(); }

    void segment(const std::uint8_t* bytes, qsizetype n,
                 std::vector<common::rtf::Unit>& out) override {
        walkUnits(
            m_table, QByteArrayView(bytes, n),
            [&](const ByteCells& cells, qsizetype record) {
                common::rtf::Unit unit;
                unit.taken = 2;
                appendTo(unit, QByteArrayView(cells.pairs).sliced(record * 4 + 2, 2));
                if (record < cells.pairTexts.size()) {
                    unit.text = cells.pairTexts[record];
                }
                out.push_back(unit);
            },
            [&](const ByteCells& cells) {
                common::rtf::Unit unit;
                if (!cells.out1Hex.isEmpty()) {
                    appendTo(unit, cells.out1Hex);
                    if (!cells.out2Hex.isEmpty()) {
                        appendTo(unit, cells.out2Hex);
                    }
                }
                unit.text = cells.unicode;
                unit.noCounterpart = cells.noCounterpart;
                out.push_back(unit);
            });
    }

private:
    static void appendTo(common::rtf::Unit& unit, QByteArrayView hex) {
        unit.bytes[unit.length++] = *HexToByte(hex);
    }
    const ClipboardTable& m_table;
};

} // namespace

QByteArray convertRtf(const ClipboardTable& table, QByteArrayView rtf, qint64* noCounterpart) {
    ClipboardUnits units(table);
    common::rtf::Options options;
    options.towardsCodePage1256 = table.direction == Direction::ToMs;
    // Like the clipboard's text, converted characters take the table's Unicode texts.
    options.unicodeOutput = table.hasUnicode();
    qint64 counted = 0;
    QByteArray out = common::rtf::convertDocument(units, options, rtf, &counted);
    if (noCounterpart != nullptr) {
        *noCounterpart += counted;
    }
    return out;
}

FileResult ConvertClipboardFile(const ClipboardTable& table, ClipboardFormat format,
                                const QString& inPath, const QString& outPath,
                                qint64* noCounterpart) {
    QByteArray bytes;
    switch (common::readRegularFile(inPath, &bytes)) {
    case common::SourceError::None:
        break;
    case common::SourceError::NotRegular:
        return FileResult::NotRegular;
    case common::SourceError::Unreadable:
    case common::SourceError::Changed:
        return FileResult::ReadFailed;
    }

    const QByteArray converted = format == ClipboardFormat::Rtf
                                     ? convertRtf(table, bytes, noCounterpart)
                                     : convertTextBytes(table, bytes, noCounterpart);
    if (!common::writeFileAtomically(outPath, converted)) {
        return FileResult::WriteFailed;
    }
    return FileResult::Ok;
}

} // namespace zerva::clipboard
