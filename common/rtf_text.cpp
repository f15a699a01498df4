// The RTF reader of the converters: one scanning loop, run twice over a document.
#include "common/rtf_text.h"

#include "common/codepage.h"

#include <algorithm>
#include <array>

namespace zerva::common::rtf {

namespace {

// A run longer than this is converted in parts (its last byte may start a pair).
constexpr std::size_t kRunLimit = 4096;
// The "code page" of a font whose charset is Symbol.
constexpr int kSymbol = -2;

constexpr std::array<bool, 256> makeSpecial() {
    std::array<bool, 256> special{};
    for (const char c : {'\\', '{', '}', '\r', '\n'}) {
        special[static_cast<std::uint8_t>(c)] = true;
    }
    return special;
}
constexpr std::array<bool, 256> kSpecial = makeSpecial();

constexpr std::array<std::int8_t, 256> makeHexValues() {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = 0; c < 10; ++c) {
        values[static_cast<std::size_t>('0' + c)] = static_cast<std::int8_t>(c);
    }
    for (int c = 0; c < 6; ++c) {
        values[static_cast<std::size_t>('a' + c)] = static_cast<std::int8_t>(10 + c);
        values[static_cast<std::size_t>('A' + c)] = static_cast<std::int8_t>(10 + c);
    }
    return values;
}
constexpr std::array<std::int8_t, 256> kHexValues = makeHexValues();

// A hexadecimal digit's value, or -1.
inline int hexValue(std::uint8_t c) {
    return kHexValues[c];
}

bool isLetter(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// The code page of a font's charset; 0 for the document's own.
int charsetCodePage(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return kSymbol;
    case 77:
        return 10000;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
    case 181:
        return 1255;
    case 178:
    case 179:
    case 180:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
    case 255:
        return 437;
    default:
        return 0; // also the multi-byte ones, which some writers give to any font
    }
}

std::optional<std::uint8_t> byteInCodePage(int codePage, char32_t ch) {
    if (codePage == kSymbol) {
        // Symbol fonts' characters come as U+F020-U+F0FF, or as the byte itself.
        if (ch >= 0xF020 && ch <= 0xF0FF) {
            return static_cast<std::uint8_t>(ch - 0xF000);
        }
        return ch < 256 ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(ch)) : std::nullopt;
    }
    const CodePage* page = CodePage::byNumber(codePage);
    return page != nullptr ? page->byteOf(ch) : std::nullopt;
}

} // namespace

Converter::Converter(Units& units, Options options)
    : m_units(units), m_options(options),
      m_unicodeEscapes(options.towardsCodePage1256 && options.unicodeOutput) {
    resetReading();
    preparePieces();
}

void Converter::preparePieces() {
    QByteArray scratch;
    std::vector<Unit> units;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        units.clear();
        m_units.segment(&byte, 1, units);
        if (m_units.startsPair(byte) || units.size() != 1 || units[0].noCounterpart) {
            continue; // converted the long way: it may pair, or it is counted
        }
        for (const bool fromUnicode : {false, true}) {
            scratch.resize(64);
            m_o = scratch.data();
            m_limit = m_o + scratch.size();
            m_out = &scratch;
            m_runUc = 1;
            writeUnit(units[0], fromUnicode);
            Piece& piece = fromUnicode ? m_unicodePieces[byte] : m_escapePieces[byte];
            const qsizetype length = m_o - scratch.data();
            if (length < qsizetype{sizeof(piece.bytes)}) {
                piece.length = static_cast<std::uint8_t>(length);
                std::memcpy(piece.bytes, scratch.constData(), static_cast<std::size_t>(length));
            }
        }
    }
    m_out = nullptr;
    m_o = m_limit = nullptr;
}

void Converter::resetReading() {
    m_groups.assign(1, Group{});
    m_defaultFont = 0;
    m_ansiCpg = 0;
    m_charsetCodePage = 1252;
    m_entryFont = -1;
    m_headerDeclared = false;
    m_fallback = 0;
    m_dropFallback = false;
    m_binary = 0;
    m_runBytes.clear();
    m_runUnicode.clear();
}

qsizetype Converter::survey(const std::uint8_t* data, qsizetype n, bool atEnd) {
    return run(data, n, atEnd);
}

qsizetype Converter::convert(const std::uint8_t* data, qsizetype n, bool atEnd, QByteArray& out) {
    if (m_surveying) {
        m_surveying = false;
        resetReading();
    }
    m_out = &out;
    m_o = out.data() + out.size();
    m_limit = m_o;
    room(n + 256);
    const qsizetype taken = run(data, n, atEnd);
    out.resize(m_o - out.data());
    m_out = nullptr;
    m_o = m_limit = nullptr;
    return taken;
}

qsizetype Converter::run(const std::uint8_t* data, qsizetype n, bool atEnd) {
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + n;
    const bool fast = !m_surveying && (!m_options.towardsCodePage1256 || !m_options.unicodeOutput);
    const std::uint8_t* fastFrom = p;
    while (p < end) {
        if (m_binary > 0) {
            const qsizetype take = std::min<qint64>(m_binary, end - p);
            copy(QByteArrayView(p, take));
            m_binary -= take;
            p += take;
            continue;
        }
        if (fast && p >= fastFrom && m_fallback == 0 && m_runBytes.empty() && end - p > 64 &&
            m_groups.back().destination == Destination::Text) {
            // Plain text and escapes that keep their length: whole blocks at a time.
            const qsizetype done =
                m_units.convertBlocks(p, end - 1, reinterpret_cast<std::uint8_t*>(room(end - p)));
            m_o += done;
            p += done;
            fastFrom = p + 64;
            if (p >= end) {
                break;
            }
        }
        const std::uint8_t c = *p;
        if (!kSpecial[c]) {
            if (m_fallback > 0) {
                takeFallback(QByteArrayView(p, 1));
                ++p;
                continue;
            }
            const std::uint8_t* q = p + 1;
            while (q < end && !kSpecial[*q]) {
                ++q;
            }
            flushRun(true);
            copy(QByteArrayView(p, q - p));
            p = q;
            continue;
        }
        if (c == '{' || c == '}') {
            m_fallback = 0; // a group's end cuts a fallback short
            flushRun(true);
            copy(QByteArrayView(p, 1));
            if (c == '{') {
                openGroup();
            } else {
                closeGroup();
            }
            ++p;
            continue;
        }
        if (c == '\r' || c == '\n') {
            // Line breaks are not text; inside a fallback that is replaced they go with it.
            if (m_fallback == 0 || !m_dropFallback) {
                flushRun(true);
                copy(QByteArrayView(p, 1));
            }
            ++p;
            continue;
        }
        // A backslash.
        if (end - p < 2) {
            if (!atEnd) {
                break;
            }
            if (!takeFallback(QByteArrayView(p, 1))) { // a lone backslash at the very end
                flushRun(true);
                copy(QByteArrayView(p, 1));
            }
            ++p;
            continue;
        }
        const std::uint8_t d = p[1];
        if (d == '\'') {
            if (end - p < 4 && !atEnd) {
                break;
            }
            const int high = end - p >= 4 ? hexValue(p[2]) : -1;
            const int low = end - p >= 4 ? hexValue(p[3]) : -1;
            const qsizetype length = (high | low) < 0 ? 2 : 4; // a malformed one stays as it is
            const QByteArrayView raw(p, length);
            p += length;
            if (takeFallback(raw)) {
                continue;
            }
            if (length == 4 && m_groups.back().destination == Destination::Text) {
                const auto byte = static_cast<std::uint8_t>(high * 16 + low);
                if (m_surveying) {
                    text(byte, false);
                    // The escapes that follow say nothing more.
                    while (end - p >= 4 && p[0] == '\\' && p[1] == '\'' &&
                           (hexValue(p[2]) | hexValue(p[3])) >= 0) {
                        p += 4;
                    }
                    continue;
                }
                if (!m_runBytes.empty() || m_escapePieces[byte].length == 0xFF ||
                    (m_unicodeEscapes && m_groups.back().uc != 1)) {
                    text(byte, false);
                    continue;
                }
                // The common case: bytes on their own, one escape after another.
                putPiece(m_escapePieces[byte]);
                while (end - p >= 4 && p[0] == '\\' && p[1] == '\'') {
                    const int h = hexValue(p[2]);
                    const int l = hexValue(p[3]);
                    if ((h | l) < 0 ||
                        m_escapePieces[static_cast<std::size_t>(h * 16 + l)].length == 0xFF) {
                        break;
                    }
                    putPiece(m_escapePieces[static_cast<std::size_t>(h * 16 + l)]);
                    p += 4;
                }
            } else {
                flushRun(true);
                copy(raw);
            }
            continue;
        }
        if (isLetter(d)) {
            const std::uint8_t* q = controlWord(p, end, atEnd);
            if (q == nullptr) {
                break;
            }
            p = q;
            continue;
        }
        // A control symbol: an escaped backslash or brace, \~, \-, \*, a line break...
        const QByteArrayView raw(p, 2);
        p += 2;
        if (!takeFallback(raw)) {
            flushRun(true);
            copy(raw);
        }
    }
    if (atEnd && p == end) {
        flushRun(true);
    }
    return p - data;
}

const std::uint8_t* Converter::controlWord(const std::uint8_t* p, const std::uint8_t* end,
                                           bool atEnd) {
    // \letters, an optional number (a minus sign and digits), an optional blank.
    const std::uint8_t* q = p + 1;
    while (q < end && isLetter(*q) && q - p <= 32) {
        ++q;
    }
    const std::uint8_t* const nameEnd = q;
    if (q < end && *q == '-') {
        if (q + 1 == end && !atEnd) {
            return nullptr;
        }
        if (q + 1 < end && isDigit(q[1])) {
            ++q;
        }
    }
    const std::uint8_t* const digits = q;
    while (q < end && isDigit(*q) && q - digits < 10) {
        ++q;
    }
    if (q == end && !atEnd) {
        return nullptr; // the chunk's end may have cut the word
    }
    bool hasParam = false;
    long param = 0;
    if (q > digits) {
        hasParam = true;
        param = QByteArrayView(nameEnd, q - nameEnd).toLong();
    }
    if (q < end && *q == ' ') {
        ++q;
    }
    const QByteArrayView raw(p, q - p);
    if (!takeFallback(raw)) {
        word(QByteArrayView(p + 1, nameEnd - p - 1), hasParam, param, raw);
    }
    return q;
}

// The delimiter at the end of a control word's bytes, if it has one.
static QByteArrayView delimiterOf(QByteArrayView raw) {
    return raw.endsWith(' ') ? QByteArrayView(" ") : QByteArrayView();
}

void Converter::word(QByteArrayView name, bool hasParam, long param, QByteArrayView raw) {
    if (name == "u" && hasParam) {
        unicodeWord(param, raw);
        return;
    }
    flushRun(true);
    Group& group = m_groups.back();
    const bool inFontTable = group.destination == Destination::FontTable;
    const bool declare = declaring();
    const bool convertedEntry = inFontTable && m_textFonts.count(m_entryFont) != 0;
    if (name == "uc" && hasParam) {
        group.uc = static_cast<int>(std::clamp<long>(param, 0, 255));
    } else if (name == "f" && hasParam) {
        if (inFontTable) {
            m_entryFont = static_cast<int>(param);
            if (m_surveying) {
                m_fonts.try_emplace(m_entryFont);
            }
            copy(raw);
            if (declare && m_textFonts.count(m_entryFont) != 0 &&
                m_fonts[m_entryFont].charset < 0) {
                copy("\\fcharset178 ");
            }
            return;
        }
        group.font = static_cast<int>(param);
    } else if (name == "fcharset" && hasParam && inFontTable && m_entryFont >= 0) {
        if (m_surveying) {
            m_fonts[m_entryFont].charset = static_cast<int>(param);
        } else if (declare && convertedEntry) {
            copy("\\fcharset178");
            copy(delimiterOf(raw));
            return;
        }
    } else if (name == "cpg" && hasParam && inFontTable && m_entryFont >= 0) {
        if (m_surveying) {
            m_fonts[m_entryFont].codePage = static_cast<int>(param);
        } else if (declare && convertedEntry) {
            copy("\\cpg1256");
            copy(delimiterOf(raw));
            return;
        }
    } else if (name == "fonttbl") {
        group.destination = Destination::FontTable;
    } else if (name == "deff" && hasParam) {
        m_defaultFont = static_cast<int>(param);
    } else if (name == "ansicpg" && hasParam) {
        m_ansiCpg = static_cast<int>(param);
        m_hasAnsiCpg = m_hasAnsiCpg || m_surveying;
        if (declare) {
            copy("\\ansicpg1256");
            copy(delimiterOf(raw));
            return;
        }
    } else if (name == "ansi" || name == "mac" || name == "pc" || name == "pca") {
        m_charsetCodePage = name == "ansi"  ? 1252
                            : name == "mac" ? 10000
                            : name == "pc"  ? 437
                                            : 850;
        m_hasCharsetWord = m_hasCharsetWord || m_surveying;
        copy(raw);
        if (declare && !m_hasAnsiCpg && !m_headerDeclared) {
            copy("\\ansicpg1256 ");
            m_headerDeclared = true;
        }
        return;
    } else if (name == "rtf") {
        copy(raw);
        if (declare && !m_hasAnsiCpg && !m_hasCharsetWord && !m_headerDeclared) {
            copy("\\ansicpg1256 ");
            m_headerDeclared = true;
        }
        return;
    } else if (name == "bin" && hasParam) {
        m_binary = std::max<long>(param, 0);
    } else if (name.startsWith("level") && group.destination == Destination::Text) {
        // List numbering: the group's escapes are level numbers, not text.
        group.destination = Destination::Copy;
    }
    copy(raw);
}

void Converter::unicodeWord(long param, QByteArrayView raw) {
    const Group& group = m_groups.back();
    const long code = param < 0 ? param + 65536 : param;
    std::optional<std::uint8_t> byte;
    if (group.destination == Destination::Text && code >= 0 && code <= 0xFFFF) {
        // Towards code page 1256 the characters are legacy bytes shown through the font's
        // code page; from it, they are code page 1256 text whatever the font says.
        byte = m_options.towardsCodePage1256
                   ? byteInCodePage(fontCodePage(group.font >= 0 ? group.font : m_defaultFont),
                                    static_cast<char32_t>(code))
                   : cp1256Byte(static_cast<char32_t>(code));
    }
    m_fallback = group.uc;
    m_dropFallback = byte.has_value();
    if (byte) {
        // What a legacy byte became when the document was saved again: converted as that
        // byte, and its fallback goes with it.
        const Piece& piece = m_unicodePieces[*byte];
        if (m_runBytes.empty() && !m_surveying && group.uc == 1 && piece.length != 0xFF) {
            putPiece(piece);
        } else {
            text(*byte, true);
        }
    } else {
        flushRun(true);
        copy(raw);
    }
}

bool Converter::fallbackUnit(QByteArrayView raw) {
    --m_fallback;
    if (!m_dropFallback) {
        copy(raw);
    }
    return true;
}

void Converter::text(std::uint8_t byte, bool fromUnicode) {
    if (m_surveying) {
        m_anyText = true;
        const Group& group = m_groups.back();
        const int font = group.font >= 0 ? group.font : m_defaultFont;
        if (font != m_lastTextFont) {
            m_textFonts.insert(font);
            m_lastTextFont = font;
        }
        return;
    }
    if (m_runBytes.empty()) {
        m_runUc = m_groups.back().uc;
    }
    m_runBytes.push_back(byte);
    m_runUnicode.push_back(fromUnicode);
    if (m_runBytes.size() >= kRunLimit) {
        flushRun(false);
    }
}

void Converter::copy(QByteArrayView raw) {
    if (m_out != nullptr) {
        put(raw.data(), raw.size());
    }
}

void Converter::growOutput(qsizetype n) {
    const qsizetype used = m_o - m_out->data();
    m_out->resize(std::max(used + n, 2 * used + 4096));
    m_o = m_out->data() + used;
    m_limit = m_out->data() + m_out->size();
}

void Converter::openGroup() {
    m_groups.push_back(m_groups.back());
}

void Converter::closeGroup() {
    if (m_groups.size() > 1) {
        m_groups.pop_back();
    } else {
        m_groups.back().destination = Destination::Text; // an unmatched "}" ends it too
    }
}

int Converter::documentCodePage() const {
    return m_ansiCpg > 0 ? m_ansiCpg : m_charsetCodePage;
}

int Converter::fontCodePage(int font) const {
    const auto it = m_fonts.find(font);
    if (it == m_fonts.end()) {
        return documentCodePage();
    }
    if (it->second.codePage > 0) {
        return it->second.codePage;
    }
    const int page = charsetCodePage(it->second.charset);
    return page == 0 ? documentCodePage() : page;
}

void Converter::flushRun(bool complete) {
    if (m_runBytes.empty()) {
        return;
    }
    m_unitBuffer.clear();
    m_units.segment(m_runBytes.data(), static_cast<qsizetype>(m_runBytes.size()), m_unitBuffer);
    std::size_t units = m_unitBuffer.size();
    if (!complete && units > 0 && m_unitBuffer.back().taken == 1) {
        --units; // the last byte may yet form a pair with the next
    }
    std::size_t at = 0;
    for (std::size_t k = 0; k < units; ++k) {
        const Unit& unit = m_unitBuffer[k];
        const bool fromUnicode = m_runUnicode[at] || (unit.taken == 2 && m_runUnicode[at + 1]);
        writeUnit(unit, fromUnicode);
        m_counted += unit.noCounterpart ? 1 : 0;
        at += unit.taken;
    }
    m_runBytes.erase(m_runBytes.begin(), m_runBytes.begin() + static_cast<std::ptrdiff_t>(at));
    m_runUnicode.erase(m_runUnicode.begin(),
                       m_runUnicode.begin() + static_cast<std::ptrdiff_t>(at));
}

void Converter::writeEscape(std::uint8_t byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    const char escape[4] = {'\\', '\'', kHex[byte >> 4], kHex[byte & 15]};
    put(escape, 4);
}

void Converter::writeNumber(long value) {
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    unsigned long v =
        negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    char* o = room(n + 1);
    if (negative) {
        *o++ = '-';
    }
    while (n > 0) {
        *o++ = digits[--n];
    }
    m_o = o;
}

void Converter::writeUc(int uc) {
    put("\\uc", 3);
    writeNumber(uc);
    put(" ", 1);
}

void Converter::writeUnit(const Unit& unit, bool fromUnicode) {
    if (!m_options.towardsCodePage1256 || (!m_options.unicodeOutput && !fromUnicode)) {
        for (int k = 0; k < unit.length; ++k) {
            writeEscape(unit.bytes[k]);
        }
        return;
    }
    // As \uN with the code page 1256 bytes as fallback, so that readers of today take the
    // character and older ones the byte.
    char16_t points[4];
    int count = 0;
    if (m_options.unicodeOutput && unit.text.given()) {
        for (int k = 0; k < unit.text.count; ++k) {
            const char32_t ch = unit.text.points[k];
            if (ch > 0xFFFF) {
                points[count++] = static_cast<char16_t>(0xD7C0 + (ch >> 10));
                points[count++] = static_cast<char16_t>(0xDC00 + (ch & 0x3FF));
            } else {
                points[count++] = static_cast<char16_t>(ch);
            }
        }
    } else {
        for (int k = 0; k < unit.length; ++k) {
            points[count++] = cp1256Table()[unit.bytes[k]];
        }
    }
    // Each character takes its own byte when there are as many of both; otherwise the first
    // takes all the bytes and the others none.
    const bool paired = count == unit.length;
    int uc = m_runUc;
    for (int k = 0; k < count; ++k) {
        const int fallback = paired ? 1 : (k == 0 ? unit.length : 0);
        if (uc != fallback) {
            writeUc(fallback);
            uc = fallback;
        }
        const int value = points[k] > 32767 ? points[k] - 65536 : points[k];
        put("\\u", 2);
        writeNumber(value);
        if (fallback == 0) {
            put(" ", 1);
        }
        for (int b = 0; b < fallback; ++b) {
            writeEscape(unit.bytes[paired ? k : b]);
        }
    }
    if (uc != m_runUc) {
        writeUc(m_runUc);
    }
}

QByteArray convertDocument(Units& units, const Options& options, QByteArrayView rtf,
                           qint64* counted) {
    Converter converter(units, options);
    const auto* data = reinterpret_cast<const std::uint8_t*>(rtf.data());
    converter.survey(data, rtf.size(), true);
    QByteArray out;
    out.reserve(rtf.size() + rtf.size() / 4 + 16);
    converter.convert(data, rtf.size(), true, out);
    if (counted != nullptr) {
        *counted += converter.counted();
    }
    return out;
}

} // namespace zerva::common::rtf
