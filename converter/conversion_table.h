// Conversion tables: the table list ZERVACNV.INI, the table files TABLE<n>.INI and the
// in-memory ConversionTable that the text and RTF converters read.
//
// Table files are read line by line: lines end with CR LF, a lone CR or a lone LF; entries
// count only inside sections headed exactly "[Convert Table]"; an entry is "a=c", "a=c+d",
// "a+b=c", "a+b=c+d" or "a=" with plain decimal byte values (blanks around them allowed).
// From code page 1256, the sections "[Reverse Best Fits]" and "[No Counterpart]" also count
// for the bytes the entries do not give back; towards code page 1256, "[Unicode]" gives the
// Unicode text of bytes and pairs (common/table_files.h).
#pragma once

#include "common/messages.h"
#include "common/table_files.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace zerva::converter {

// The lower-case hexadecimal digit (its character code) of a byte's high and low nibble.
constexpr char HexHigh(std::uint8_t value) {
    const int d = value >> 4;
    return static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
}
constexpr char HexLow(std::uint8_t value) {
    const int d = value & 15;
    return static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
}

using common::Direction;
using common::UnicodeText;

// What one source byte becomes when no pair entry matches.
struct ByteEntry {
    std::uint8_t kind = 1; // 0 dropped, 1 out1, 2 out1 then out2
    std::uint8_t out1 = 0;
    std::uint8_t out2 = 0;
    std::uint8_t pairHead = 0; // newest pair entry starting with this byte; 0 none
    std::array<char, 2> out1Hex{'0', '0'};
    std::array<char, 2> out2Hex{'0', '0'};
    // From code page 1256 only: the chosen format has no counterpart for the byte. It is
    // written as its entry says (the format's "?") and counted by the converters.
    bool noCounterpart = false;
    UnicodeText unicode;
};

// Two source bytes that become one output byte.
struct PairEntry {
    std::uint8_t next = 0; // next older entry with the same first byte; 0 ends the chain
    std::uint8_t second = 0;
    std::uint8_t target = 0;
    std::array<char, 2> secondHex{'0', '0'};
    std::array<char, 2> targetHex{'0', '0'};
    UnicodeText unicode;
};

class ConversionTable {
public:
    static constexpr int kMaxPairs = 255;

    ConversionTable(); // the identity table

    // Back to the identity: every byte becomes itself, no pair entries.
    void reset();

    // Entry for a single source byte (replaces an earlier entry of that byte).
    void setByte(std::uint8_t source, std::uint8_t kind, std::uint8_t out1, std::uint8_t out2,
                 bool noCounterpart = false);
    // Adds a pair entry ahead of older ones with the same first byte; false when the table
    // already holds kMaxPairs pair entries.
    bool addPair(std::uint8_t first, std::uint8_t second, std::uint8_t target);
    // The Unicode text of a byte, or of the pair entry that matches x followed by y (false
    // when the table has no such pair).
    void setByteUnicode(std::uint8_t source, const UnicodeText& text);
    bool setPairUnicode(std::uint8_t x, std::uint8_t y, const UnicodeText& text);
    // Whether any byte or pair entry has its Unicode text given.
    bool hasUnicode() const { return m_hasUnicode; }
    // Which way the table converts (towards code page 1256 for the identity table).
    Direction direction() const { return m_direction; }
    void setDirection(Direction direction) { m_direction = direction; }

    const ByteEntry& byte(std::uint8_t x) const { return m_bytes[x]; }
    // Index 1..pairCount(); index 0 is unused (it ends a chain).
    const PairEntry& pair(std::uint8_t index) const { return m_pairs[index]; }
    int pairCount() const { return m_pairCount; }

    // The newest pair entry for x followed by y, or nothing when none matches.
    const PairEntry* findPairEntry(std::uint8_t x, std::uint8_t y) const {
        for (std::uint8_t k = m_bytes[x].pairHead; k != 0; k = m_pairs[k].next) {
            if (m_pairs[k].second == y) {
                return &m_pairs[k];
            }
        }
        return nullptr;
    }
    // Its target, or -1.
    int findPair(std::uint8_t x, std::uint8_t y) const {
        const PairEntry* p = findPairEntry(x, y);
        return p ? p->target : -1;
    }

private:
    std::array<ByteEntry, 256> m_bytes;
    std::array<PairEntry, 256> m_pairs;
    int m_pairCount = 0;
    bool m_hasUnicode = false;
    Direction m_direction = Direction::ToMs;
};

// Builds a table from the text of a table file; nothing when the file is invalid (a number
// that is not a byte value, an empty part around "+", an empty value with a two-byte key,
// more than 255 pair entries; towards code page 1256 also a malformed "[Unicode]" value or
// a Unicode text for a pair that "[Convert Table]" lacks).
std::optional<ConversionTable> parseConversionTable(QByteArrayView text, Direction direction);

// The list's entries and the file names are the suite's, shared with the clipboard converter.
using common::tableFileName;
using common::TableListEntry;
using common::tableListFileName;

// Reads the table list from ZERVACNV.INI in the folder. On failure the reason is shown
// through the messenger (title "اشكال!") and nothing is returned; the caller then ends.
std::optional<QList<TableListEntry>> LoadTableList(const QString& tableFolder,
                                                   common::Messenger& messenger);

// Loads TABLE<n>.INI from the folder for the given direction. On failure the table message
// naming n is shown through the messenger and nothing is returned: no file may be converted.
std::optional<ConversionTable> LoadConversionTable(const QString& tableFolder, int n,
                                                   Direction direction,
                                                   common::Messenger& messenger);

} // namespace zerva::converter
