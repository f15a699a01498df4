// The layout in the files other systems take keyboard layouts in: a Windows keyboard layout
// source (.klc, the text that Windows layout tools compile), a macOS keyboard layout
// (.keylayout, XML) and the XKB symbols file of Linux desktops.
//
// Every writer takes the 96 slot texts of the layout (XkbKeyTexts: keys 0..47 in the base
// plane, then in the shift plane; a combined key holds its whole text; empty = no character).
#pragma once

#include "keyboard/xkb_export.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zerva::keyboard {

// What an export wrote, and the slots it could not carry whole (their characters are left out
// where the format has no room or no way to write them).
struct ExportedLayout {
    QByteArray bytes;
    QList<int> shortenedSlots;
};

// The formats a layout can be exported in.
enum class ExportFormat { Xkb, Klc, Keylayout };

// The name the exported layouts carry (the name of the XKB group too).
QString exportLayoutName();

// Windows: UTF-16 LE with a byte order mark, CRLF lines. Each key is a LAYOUT row by scan
// code and virtual key with its two shift states as four hexadecimal digits, -1 for none; a
// text of several characters is "%%" there and a LIGATURE row (at most four characters).
ExportedLayout exportKlc(const XkbKeyTexts& texts);

// macOS: an XML 1.0 document (UTF-8) with key maps for no modifier, Shift, and Command (the
// Latin legends, so that shortcuts keep working). Characters are written as character
// references; control characters, which XML 1.0 cannot hold, are left out.
ExportedLayout exportKeylayout(const XkbKeyTexts& texts);

// Linux: the XKB symbols file of the suite's installer, with every character of a combined key.
ExportedLayout exportXkb(const XkbKeyTexts& texts);

ExportedLayout exportLayout(ExportFormat format, const XkbKeyTexts& texts);

// The Windows scan code (set 1) and virtual-key name of key 0..47, and its macOS key code.
int klcScanCode(int key);
QString klcVirtualKeyName(int key);
int macKeyCode(int key);

} // namespace zerva::keyboard
