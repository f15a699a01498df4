// Where the controls of the main window stand, in twips of its client area: the keys, the
// fixed keys, the Shift toggles and the palette. Positions are physical: the backquote key is
// at the left whatever the direction of the text.
#pragma once

#include "common/twips.h"

#include <QRect>
#include <QString>

namespace zerva::keyboard {

inline constexpr int kClientWidthTwips = 9120;
// Outer heights of the window in its two modes, and the part of them taken by the title bar,
// the menu bar and the borders; the rest is the client area the controls stand in.
inline constexpr int kViewModeHeightTwips = 3405;
inline constexpr int kEditModeHeightTwips = 5835;
inline constexpr int kWindowChromeTwips = 630;
inline constexpr int kFixedKeyCount = 11; // cmdKey 1..11
inline constexpr int kLineTopTwips[2] = {2760, 2775};
inline constexpr int kLineLeftTwips = 240;
inline constexpr int kLineRightTwips = 8880;

common::TwipsRect keyRectTwips(int key);           // BtnKey 0..47
common::TwipsRect fixedKeyRectTwips(int index);    // cmdKey 1..11
QString fixedKeyCaption(int index);                // "BackSp", "Tab", ...
common::TwipsRect shiftToggleRectTwips(int index); // TglBtnKeyShift 0..1
common::TwipsRect paletteRectTwips(int entry);     // BtnInsKey 0..103

using common::toPixels;

} // namespace zerva::keyboard
