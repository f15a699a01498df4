// The layout as an XKB symbols file, the form in which Linux keyboard stacks take a layout.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace zerva::keyboard {

inline constexpr int kXkbKeyCount = 48;
inline constexpr int kXkbSlotCount = 2 * kXkbKeyCount;

// What each slot types, as Unicode text, in the slot order of the layout model: slots 0..47
// are keys 0..47 in the base plane, slots 48..95 the same keys in the shift plane. An empty
// text is an empty slot. Callers convert the layout's code page 1256 bytes once, at the
// boundary (common::fromCp1256), and pass a combined key's whole text ("لا") in its slot.
using XkbKeyTexts = std::array<QString, kXkbSlotCount>;

// How a slot whose text has several characters is written.
enum class XkbLevelForm {
    // Every character as its own keysym, in braces: { U0644, U0627 }. libxkbcommon (and so
    // Wayland sessions) types such a level as the whole text.
    MultipleKeysyms,
    // One keysym per level, for the X server's own keymap compiler, which silently drops a
    // level written in braces: "لا" becomes the ligature UFEFB, any other text its first
    // character (what the layout file's plane holds for it too).
    SingleKeysym,
};

// The layout's name as XKB files and tools know it (symbols/zerva, -layout zerva).
inline const QString kXkbLayoutName = QStringLiteral("zerva");
// The name shown for the layout in keyboard settings.
inline const QString kXkbGroupName = QStringLiteral("Persian (Zerva 2001)");

// The XKB name of key 0..47: <TLDE>, <AE01>..<AE12>, <AD01>..<AD12>, <BKSL>, <AC01>..<AC11>,
// <AB01>..<AB10>, <SPCE> (without the angle brackets).
QString xkbKeyName(int key);

// One level: "NoSymbol", "U0627", or "{ U0644, U0627 }". Characters without a keysym
// (control characters) are left out; a text left with none is "NoSymbol".
QString xkbLevel(const QString& text, XkbLevelForm form);

// The whole symbols file (UTF-8): a default map "basic" naming all 48 keys with two levels.
QByteArray exportXkbSymbols(const XkbKeyTexts& texts, XkbLevelForm form,
                            const QString& groupName = kXkbGroupName);

} // namespace zerva::keyboard
