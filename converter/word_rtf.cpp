// Streaming rewrites of \uN and \'hh in RTF for the Word document path.
#include "converter/word_rtf.h"

#include "common/atomic_file.h"
#include "common/codepage.h"
#include "common/hex_digits.h"
#include "common/source_file.h"
#include "converter/conversion_table.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace zerva::converter {

namespace {

constexpr qsizetype kBufferSize = 64 * 1024;

// The source in bounded chunks with a few bytes of look-ahead.
class Reader {
public:
    bool open(const QString& path) { return m_file.open(path) == common::SourceError::None; }
    // The byte k places ahead, or -1 after the end.
    int peek(qsizetype k = 0) {
        if (m_pos + k >= m_data.size() && !refill(k)) {
            return -1;
        }
        return static_cast<unsigned char>(m_data[m_pos + k]);
    }
    void advance(qsizetype n) { m_pos += n; }
    bool failed() const { return m_failed; }

private:
    bool refill(qsizetype k) {
        m_data.remove(0, m_pos);
        m_pos = 0;
        while (m_data.size() <= k) {
            const qsizetype at = m_data.size();
            m_data.resize(at + kBufferSize);
            const qsizetype n = m_file.read(m_data.data() + at, kBufferSize);
            m_data.resize(at + std::max<qsizetype>(n, 0));
            if (n <= 0) {
                m_failed = n < 0;
                return false;
            }
        }
        return true;
    }
    common::SourceReader m_file;
    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

class Writer {
public:
    bool open(const QString& path) {
        m_file = std::make_unique<common::AtomicFile>(path);
        return m_file->open();
    }
    void put(QByteArrayView bytes) {
        m_data += bytes;
        if (m_data.size() >= kBufferSize) {
            flush();
        }
    }
    bool finish() {
        flush();
        return m_ok && m_file->commit();
    }

private:
    void flush() {
        if (m_ok && !m_file->write(m_data)) {
            m_ok = false;
        }
        m_data.clear();
    }
    std::unique_ptr<common::AtomicFile> m_file;
    QByteArray m_data;
    bool m_ok = true;
};

bool isLetter(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// One piece of RTF, with its bytes as written.
struct Token {
    enum Kind { End, Open, Close, Word, Escape, Symbol, Char } kind = End;
    QByteArray raw;
    QByteArray word; // Word: the letters
    bool hasParam = false;
    long param = 0; // Word: the number
    int value = -1; // Escape: the byte, or -1 when the digits are not hexadecimal
};

Token next(Reader& in) {
    Token t;
    const int c = in.peek();
    if (c < 0) {
        return t;
    }
    if (c == '{' || c == '}') {
        t.kind = c == '{' ? Token::Open : Token::Close;
        t.raw.append(static_cast<char>(c));
        in.advance(1);
        return t;
    }
    if (c != '\\') {
        t.kind = Token::Char;
        t.raw.append(static_cast<char>(c));
        in.advance(1);
        return t;
    }
    const int d = in.peek(1);
    if (d == '\'') {
        t.kind = Token::Escape;
        const int h = in.peek(2);
        const int l = in.peek(3);
        if (common::hexDigitValue(h) >= 0 && common::hexDigitValue(l) >= 0) {
            t.value = common::hexDigitValue(h) * 16 + common::hexDigitValue(l);
            t.raw = QByteArray("\\'") + static_cast<char>(h) + static_cast<char>(l);
            in.advance(4);
        } else {
            t.raw = QByteArray("\\'");
            in.advance(2);
        }
        return t;
    }
    if (!isLetter(d)) {
        t.kind = Token::Symbol;
        t.raw.append('\\');
        if (d >= 0) {
            t.raw.append(static_cast<char>(d));
        }
        in.advance(d >= 0 ? 2 : 1);
        return t;
    }
    t.kind = Token::Word;
    qsizetype k = 1;
    while (isLetter(in.peek(k)) && t.word.size() < 32) {
        t.word.append(static_cast<char>(in.peek(k)));
        ++k;
    }
    qsizetype digits = k;
    if (in.peek(k) == '-' && isDigit(in.peek(k + 1))) {
        ++k;
    }
    while (isDigit(in.peek(k)) && k - digits < 11) {
        ++k;
    }
    if (k > digits) {
        QByteArray number;
        for (qsizetype j = digits; j < k; ++j) {
            number.append(static_cast<char>(in.peek(j)));
        }
        t.hasParam = true;
        t.param = number.toLong();
    }
    if (in.peek(k) == ' ') {
        ++k;
    }
    for (qsizetype j = 0; j < k; ++j) {
        t.raw.append(static_cast<char>(in.peek(j)));
    }
    in.advance(k);
    return t;
}

QByteArray escape(std::uint8_t byte) {
    return QByteArray("\\'") + HexHigh(byte) + HexLow(byte);
}

// The \ucN value in force, group by group (1 unless a group says otherwise).
class FallbackCount {
public:
    void open() { m_stack.push_back(m_current); }
    void close() {
        if (!m_stack.empty()) {
            m_current = m_stack.back();
            m_stack.pop_back();
        }
    }
    void set(long n) { m_current = n < 0 ? 0 : n; }
    long current() const { return m_current; }

private:
    std::vector<long> m_stack;
    long m_current = 1;
};

} // namespace

bool rtfUnicodeToCodePage(const QString& source, const QString& destination) {
    Reader in;
    Writer out;
    if (!in.open(source) || !out.open(destination)) {
        return false;
    }
    FallbackCount uc;
    long skip = 0; // fallback units still to drop
    for (Token t = next(in); t.kind != Token::End; t = next(in)) {
        switch (t.kind) {
        case Token::Open:
            skip = 0;
            uc.open();
            out.put(t.raw);
            continue;
        case Token::Close:
            skip = 0;
            uc.close();
            out.put(t.raw);
            continue;
        case Token::Char:
            if (t.raw == "\r" || t.raw == "\n") { // line breaks are not text in RTF
                out.put(t.raw);
                continue;
            }
            break;
        default:
            break;
        }
        if (skip > 0) {
            --skip;
            continue;
        }
        if (t.kind == Token::Word && t.word == "uc" && t.hasParam) {
            uc.set(t.param);
        } else if (t.kind == Token::Word && t.word == "u" && t.hasParam) {
            const auto code = static_cast<char32_t>(t.param < 0 ? t.param + 65536 : t.param);
            if (code >= 128) {
                if (const auto byte = common::cp1256Byte(code)) {
                    out.put(escape(*byte));
                    skip = uc.current();
                    continue;
                }
            }
        }
        out.put(t.raw);
    }
    return !in.failed() && out.finish();
}

bool rtfCodePageToUnicode(const QString& source, const QString& destination) {
    Reader in;
    Writer out;
    if (!in.open(source) || !out.open(destination)) {
        return false;
    }
    FallbackCount uc;
    int depth = 0;
    int levelDepth = -1; // depth of the group of a \level... word; -1 outside one
    for (Token t = next(in); t.kind != Token::End; t = next(in)) {
        if (t.kind == Token::Open) {
            ++depth;
            uc.open();
        } else if (t.kind == Token::Close) {
            if (depth == levelDepth) {
                levelDepth = -1;
            }
            --depth;
            uc.close();
        } else if (t.kind == Token::Word) {
            if (t.word == "uc" && t.hasParam) {
                uc.set(t.param);
            } else if (t.word.startsWith("level") && levelDepth < 0) {
                levelDepth = depth;
            }
        } else if (t.kind == Token::Escape && t.value >= 0 && levelDepth < 0) {
            const auto byte = static_cast<std::uint8_t>(t.value);
            const QByteArray u = "\\u" + QByteArray::number(common::cp1256Table()[byte]);
            const QByteArray fallback = escape(byte);
            if (uc.current() == 1) {
                out.put(u + fallback);
            } else {
                out.put("\\uc1" + u + fallback + "\\uc" + QByteArray::number(uc.current()) + ' ');
            }
            continue;
        }
        out.put(t.raw);
    }
    return !in.failed() && out.finish();
}

} // namespace zerva::converter
