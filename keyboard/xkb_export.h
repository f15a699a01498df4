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
    // Every character as its own keysym, in braces: { Arabic_lam, Arabic_alef }. libxkbcommon
    // (and so Wayland sessions) types such a level as the whole text.
    MultipleKeysyms,
    // One keysym of the slot's own (xkbComposeKeysym), for the X server's keymap compiler,
    // which silently drops a level written in braces; the user's Compose file maps that
    // keysym to the whole text (xkbComposeSequences).
    ComposeKeysym,
};

// The layout's name as XKB files and tools know it (symbols/zerva, -layout zerva).
inline const QString kXkbLayoutName = QStringLiteral("zerva");
// The name shown for the layout in keyboard settings.
inline const QString kXkbGroupName = QStringLiteral("Persian (Zerva 2001)");

// The XKB name of key 0..47: <TLDE>, <AE01>..<AE12>, <AD01>..<AD12>, <BKSL>, <AC01>..<AC11>,
// <AB01>..<AB10>, <SPCE> (without the angle brackets).
QString xkbKeyName(int key);

// The keysym name of a character: the standard name where one exists ("Arabic_lam", "2",
// "space"), else its Unicode number ("U200C"). Empty for characters without a keysym
// (control characters).
QString xkbKeysymName(char32_t c);

// The private-use keysym that a slot with several characters sends under X: U+F5A00 + slot.
char32_t xkbComposeKeysym(int slot);

// One level: "NoSymbol", "Arabic_alef", or "{ Arabic_lam, Arabic_alef }" (in the compose
// form the slot's own keysym instead of the braces). Characters without a keysym are left
// out; a text left with none is "NoSymbol".
QString xkbLevel(const QString& text, XkbLevelForm form, int slot = 0);

// The whole symbols file (UTF-8): a default map "basic" naming all 48 keys with two levels.
QByteArray exportXkbSymbols(const XkbKeyTexts& texts, XkbLevelForm form,
                            const QString& groupName = kXkbGroupName);

// The Compose lines for the slots of several characters, one per slot:
// <UF5A1E> : "لا"   # key <AC05>, Shift
QByteArray xkbComposeSequences(const XkbKeyTexts& texts);

// The texts as today's Persian keyboards type them: Arabic yeh and kaf become Persian yeh and
// keheh everywhere, and the ASCII digits of the number row (keys 0..12) Persian digits.
XkbKeyTexts withPersianLetters(const XkbKeyTexts& texts);

} // namespace zerva::keyboard
