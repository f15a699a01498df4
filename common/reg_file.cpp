// Decoding and encoding of .reg files, line by line, so that a rewrite changes only the lines
// it means to change.
#include "reg_file.h"

#include "codepage.h"

#include <QStringDecoder>

namespace zerva::common {
namespace {

QString decodeUtf16Le(QByteArrayView bytes) {
    // Unit by unit, without validation, so that writing back gives the same bytes.
    QString out(bytes.size() / 2, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<std::uint8_t>(bytes[i]);
        const auto hi = static_cast<std::uint8_t>(bytes[i + 1]);
        dst[i / 2] = QChar(static_cast<char16_t>(lo | (hi << 8)));
    }
    return out;
}

QByteArray encodeUtf16Le(const QString& text) {
    QByteArray out(2 + 2 * text.size(), Qt::Uninitialized);
    out[0] = '\xFF';
    out[1] = '\xFE';
    char* dst = out.data() + 2;
    for (const QChar c : text) {
        *dst++ = static_cast<char>(c.unicode() & 0xFF);
        *dst++ = static_cast<char>(c.unicode() >> 8);
    }
    return out;
}

// Text the way the file holds it, or nothing when its bytes cannot be text of a .reg file.
std::optional<QString> decodeContent(QByteArrayView bytes, RegEncoding& encoding) {
    if (bytes.startsWith("\xFF\xFE")) {
        if (bytes.size() % 2 != 0) {
            return std::nullopt;
        }
        encoding = RegEncoding::Utf16Le;
        return decodeUtf16Le(bytes.sliced(2));
    }
    // NUL never occurs in the text of a single-byte file: this is a binary file.
    if (bytes.contains('\0')) {
        return std::nullopt;
    }
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArrayView body = bom ? bytes.sliced(3) : bytes;
    // A second mark is kept as a character, so writing back reproduces it.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        encoding = bom ? RegEncoding::Utf8WithBom : RegEncoding::Utf8;
        return text;
    }
    encoding = RegEncoding::Cp1256;
    return fromCp1256(bytes);
}

bool startsLineEnd(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Whether a line, as joined so far, goes on in the next physical line. Section headers and
// comments never do, whatever they end with.
bool continues(QString& joined) {
    qsizetype end = joined.size();
    while (end > 0 &&
           (joined[end - 1] == QLatin1Char(' ') || joined[end - 1] == QLatin1Char('\t'))) {
        --end;
    }
    if (end == 0 || joined[end - 1] != QLatin1Char('\\')) {
        return false;
    }
    const QString head = joined.trimmed();
    if (head.startsWith(QLatin1Char('[')) || head.startsWith(QLatin1Char(';'))) {
        return false;
    }
    joined.truncate(end - 1);
    return true;
}

// Whether a physical line starts something of its own (a value, a comment, a blank line, or
// a key header at the start of the line): such a line never continues the one before, even
// after a dangling backslash. Continued data is indented and starts with hex digits; an
// indented header is taken as continued text, as the writer keeps it.
bool startsEntry(QStringView text) {
    const QStringView t = text.trimmed();
    return t.isEmpty() || text.startsWith(QLatin1Char('[')) || t.startsWith(QLatin1Char('"')) ||
           t.startsWith(QLatin1Char('@')) || t.startsWith(QLatin1Char(';'));
}

} // namespace

std::optional<RegText> readRegLines(QByteArrayView bytes, const RegLineVisitor& visit,
                                    bool keepRaw) {
    RegText out;
    const std::optional<QString> content = decodeContent(bytes, out.encoding);
    if (!content) {
        return std::nullopt;
    }
    const QChar* data = content->constData();
    const qsizetype size = content->size();
    bool sawLineEnd = false;
    bool sawText = false;
    bool open = false;
    RegLine current;
    // A finished line: the first that is not blank must be a header.
    const auto finish = [&]() {
        if (!sawText && !current.text.trimmed().isEmpty()) {
            const QString first = current.text.trimmed();
            if (first != kRegedit4Header && first != kRegedit5Header) {
                return false;
            }
            sawText = true;
            out.hasHeader = true;
        }
        visit(current);
        current = {};
        return true;
    };
    for (qsizetype pos = 0; pos < size;) {
        qsizetype end = pos;
        while (end < size && !startsLineEnd(data[end])) {
            ++end;
        }
        qsizetype next = end;
        if (next < size) {
            next += data[next] == QLatin1Char('\r') && next + 1 < size &&
                            data[next + 1] == QLatin1Char('\n')
                        ? 2
                        : 1;
        }
        if (!sawLineEnd && next > end) {
            out.lineEnd = QString(data + end, next - end);
            sawLineEnd = true;
        }
        const QStringView text(data + pos, end - pos);
        if (open && startsEntry(text)) {
            if (!finish()) {
                return std::nullopt;
            }
            open = false;
        }
        if (open) {
            current.text += text.trimmed();
        } else {
            current.text = text.toString();
        }
        if (keepRaw) {
            current.raw += QStringView(data + pos, next - pos);
        }
        open = continues(current.text);
        if (!open && !finish()) {
            return std::nullopt;
        }
        pos = next;
    }
    if (open && !finish()) {
        return std::nullopt;
    }
    return out;
}

std::optional<RegText> decodeRegText(QByteArrayView bytes) {
    std::vector<RegLine> lines;
    std::optional<RegText> text = readRegLines(
        bytes, [&lines](RegLine& line) { lines.push_back(std::move(line)); }, true);
    if (text) {
        text->lines = std::move(lines);
    }
    return text;
}

std::optional<QByteArray> encodeRegText(const RegText& text) {
    QString all;
    if (!text.hasHeader) {
        all = kRegedit4Header + text.lineEnd + text.lineEnd;
    }
    for (const RegLine& line : text.lines) {
        all += line.raw;
    }
    switch (text.encoding) {
    case RegEncoding::Utf8:
        return all.toUtf8();
    case RegEncoding::Utf8WithBom:
        return QByteArray("\xEF\xBB\xBF") + all.toUtf8();
    case RegEncoding::Utf16Le:
        return encodeUtf16Le(all);
    case RegEncoding::Cp1256: {
        qsizetype unmapped = 0;
        QByteArray bytes = toCp1256(all, &unmapped);
        if (unmapped != 0) {
            return std::nullopt;
        }
        return bytes;
    }
    }
    return std::nullopt;
}

void endLine(RegLine& line, const QString& lineEnd) {
    if (!line.raw.isEmpty() && !startsLineEnd(line.raw.back())) {
        line.raw += lineEnd;
    }
}

RegLine newRegLine(const QString& text, const QString& lineEnd) {
    return RegLine{text + lineEnd, text};
}

} // namespace zerva::common
