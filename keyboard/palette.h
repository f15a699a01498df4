// The character palette: the palette entry record and the 104 fixed entries.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace zerva::keyboard {

inline constexpr int kFixedEntryCount = 104;    // entries 0..103, created with the window
inline constexpr int kLamAlefEntry = 102;       // "لا", the only fixed entry of two characters
inline constexpr int kEmptyEntry = 103;         // a slot holding it is empty; writes the byte 0
inline constexpr int kFirstRuntimeEntry = 104;  // run-time entries start here
inline constexpr int kMaxPaletteEntries = 256;  // fixed and run-time entries together
inline constexpr int kMaxEntryTextLength = 255; // bytes of one entry's text (a length byte)

// One palette entry. Whether an entry is used is not stored here: the model derives it from
// the slots (an entry is used exactly while some slot holds it).
struct PaletteEntry {
    QString caption;   // shown on the palette button and on a key holding the entry
    std::uint8_t code; // the byte the entry puts in a layout file's plane (its first character)
    QString tip;       // tool tip, copied to a key holding the entry
    QByteArray text;   // the code page 1256 bytes the entry stands for; empty for entry 103
    bool visible;      // false for the empty entry and for run-time entries
};

// The four characters every code list in a tip starts with: left-to-right mark, "(",
// right-to-left mark, "(" (bytes FD 28 FE 28).
QString tipPrefix();

// The tip a fixed entry is designed with (empty for most entries).
QString designTip(int entry);

// A fixed entry, 0..103, as the window shows it after start-up: entries 0..97 have the tip
// prefix and their code appended to the design-time tip; 98..103 keep their design-time tips.
PaletteEntry fixedEntry(int entry);

// The first fixed entry, searching 0 up to lastEntry, whose code equals code; -1 if none.
// A single byte 225 finds entry 30 (lam), never 102; the byte 0 finds the empty entry 103.
int findFixedEntry(std::uint8_t code, int lastEntry = kEmptyEntry);

// A run-time entry for text (code page 1256 bytes, 1..255 of them): caption = the text,
// code = its first byte, tip = the tip prefix and each byte's decimal code followed by a blank.
PaletteEntry runtimeEntry(const QByteArray& text);

// A caption as a button draws it: a caption that begins with a combining mark (a short vowel,
// a shadda, a tanween on its own) stands on a dotted circle, U+25CC, so that the mark shows
// as a character and not as a speck beside nothing.
QString shownCaption(const QString& caption);

} // namespace zerva::keyboard
