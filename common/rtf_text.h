// RTF read as RTF for conversion: groups, the font table with its charsets and code pages,
// the document's code page, \ucN and \uN with their fallbacks, \binN data and list
// numbering. The document's text (escapes \'hh, and \uN whose character the font of its run
// writes as a byte) goes through the caller's table in runs; every other byte is copied.
#pragma once

#include "common/table_files.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace zerva::common::rtf {

// What a table makes of the first one or two bytes of a run.
struct Unit {
    std::uint8_t taken = 1;  // bytes of the run it stands for: 1, or 2 for a pair
    std::uint8_t length = 0; // result bytes: 0 (the unit is dropped), 1 or 2
    std::uint8_t bytes[2] = {};
    UnicodeText text; // given where the table has the unit's Unicode text
    bool noCounterpart = false;
};

// A table as the RTF reader sees it.
class Units {
public:
    virtual ~Units() = default;
    // Splits bytes[0..n) into units, in order, appending them to out.
    virtual void segment(const std::uint8_t* bytes, qsizetype n, std::vector<Unit>& out) = 0;
    // Whether a pair entry starts with the byte.
    virtual bool startsPair(std::uint8_t byte) const = 0;
    // Converts whole 64-byte blocks of plain text and escapes at p (reading up to limit + 1)
    // whose escapes each become one escape of the same length, writing them to out; returns
    // the bytes done (0 when it has no such fast path).
    virtual qsizetype convertBlocks(const std::uint8_t* /*p*/, const std::uint8_t* /*limit*/,
                                    std::uint8_t* /*out*/) {
        return 0;
    }
};

struct Options {
    // Towards code page 1256: the result declares code page 1256 (\ansicpg1256, and
    // \fcharset178 for the fonts whose text was converted), and a converted \uN is written
    // back as \uN with a code page 1256 fallback. From it, declarations stay as they are and
    // converted text is written as escapes of the legacy bytes.
    bool towardsCodePage1256 = true;
    // Towards code page 1256: every converted character is written as \uN of its Unicode
    // text (the table's, or its code page 1256 character) with a code page 1256 fallback.
    bool unicodeOutput = false;
};

// Converts one document, fed in chunks twice: first survey() over the whole document, then
// convert() over it again. Each call takes the bytes it can and returns how many; unless
// atEnd, up to kMaxKept bytes of a construct the chunk's end cut may be left, to come again
// at the start of the next chunk.
class Converter {
public:
    static constexpr qsizetype kMaxKept = 64;

    Converter(Units& units, Options options);

    qsizetype survey(const std::uint8_t* data, qsizetype n, bool atEnd);
    // Appends the converted bytes to out. The first call ends the survey.
    qsizetype convert(const std::uint8_t* data, qsizetype n, bool atEnd, QByteArray& out);

    // Characters of units the table marks as having no counterpart.
    qint64 counted() const { return m_counted; }

private:
    enum class Destination : std::uint8_t { Text, FontTable, Copy };
    struct Group {
        int uc = 1;
        int font = -1; // -1: the document's default font
        Destination destination = Destination::Text;
    };
    struct Font {
        int charset = -1;
        int codePage = -1;
    };

    qsizetype run(const std::uint8_t* data, qsizetype n, bool atEnd);
    const std::uint8_t* controlWord(const std::uint8_t* p, const std::uint8_t* end, bool atEnd);
    void word(QByteArrayView name, bool hasParam, long param, QByteArrayView raw);
    void unicodeWord(long param, QByteArrayView raw);
    // Takes raw as a unit of the last \uN's fallback, if one is still to come.
    bool takeFallback(QByteArrayView raw) { return m_fallback != 0 && fallbackUnit(raw); }
    bool fallbackUnit(QByteArrayView raw);
    void text(std::uint8_t byte, bool fromUnicode);
    void copy(QByteArrayView raw);
    void openGroup();
    void closeGroup();
    int fontCodePage(int font) const;
    int documentCodePage() const;
    void flushRun(bool complete);
    void writeUnit(const Unit& unit, bool fromUnicode);
    // What a unit of one byte, not a pair head, writes, prepared for each byte: as escapes,
    // and as \uN with \uc1 in force. A length of 0xFF: the byte is converted the long way.
    struct Piece {
        std::uint8_t length = 0xFF;
        char bytes[63] = {};
    };
    void preparePieces();
    char* room(qsizetype n) {
        if (m_limit - m_o < n) {
            growOutput(n);
        }
        return m_o;
    }
    void growOutput(qsizetype n);
    void put(const char* p, qsizetype n) {
        if (n <= 0) {
            return; // p may then be null
        }
        std::memcpy(room(n), p, static_cast<std::size_t>(n));
        m_o += n;
    }
    void putPiece(const Piece& piece) {
        std::memcpy(room(sizeof(piece.bytes)), piece.bytes, sizeof(piece.bytes));
        m_o += piece.length;
    }
    void writeEscape(std::uint8_t byte);
    void writeUc(int uc);
    void writeNumber(long value);
    bool declaring() const { return !m_surveying && m_options.towardsCodePage1256 && m_anyText; }

    Units& m_units;
    Options m_options;
    bool m_surveying = true;
    QByteArray* m_out = nullptr;
    char* m_o = nullptr;     // where the next output byte goes, in m_out
    char* m_limit = nullptr; // the end of m_out's room
    std::array<Piece, 256> m_escapePieces;
    std::array<Piece, 256> m_unicodePieces;
    int m_lastTextFont = -2;     // the survey's last font of text (a cache)
    const bool m_unicodeEscapes; // escapes too are written as \uN

    // Learnt by the survey.
    std::map<int, Font> m_fonts;
    std::set<int> m_textFonts; // fonts of runs with text to convert
    bool m_anyText = false;
    bool m_hasAnsiCpg = false;
    bool m_hasCharsetWord = false;

    // Reading state, set back for each pass.
    void resetReading();
    std::vector<Group> m_groups;
    int m_defaultFont = 0;
    int m_ansiCpg = 0;
    int m_charsetCodePage = 1252;
    int m_entryFont = -1; // the font table entry being read
    bool m_headerDeclared = false;
    long m_fallback = 0;         // fallback units of the last \uN still to come
    bool m_dropFallback = false; // they are dropped (the \uN was converted), or copied
    qint64 m_binary = 0;         // bytes of \binN data still to copy

    // The run of text being gathered: its bytes and, for each, whether it came from a \uN.
    std::vector<std::uint8_t> m_runBytes;
    std::vector<bool> m_runUnicode;
    std::vector<Unit> m_unitBuffer;
    int m_runUc = 1;
    qint64 m_counted = 0;
};

// Both passes over a document in memory.
QByteArray convertDocument(Units& units, const Options& options, QByteArrayView rtf,
                           qint64* counted = nullptr);

} // namespace zerva::common::rtf
