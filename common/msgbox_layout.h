// The message box's geometry as a pure function: twips in, positions and sizes out.
#pragma once

#include "common/twips.h"

#include <array>

namespace zerva::common {

struct MsgBoxLayoutInput {
    int messageWidth = 0; // the prompt label, sized to its text
    int messageHeight = 0;
    std::array<int, 3> captionWidth{}; // each button caption measured in the buttons' font
    int buttonHeight = 375;
    int button = 6;          // button set code: 6, 4 or 3
    int buttonDirection = 1; // 1 row, anything else column
    bool buttonWidthEqual = true;
};

struct MsgBoxLayout {
    TwipsRect frame;                  // MessageFrame, in the window's client area
    TwipsRect message;                // Message, inside the frame
    std::array<TwipsRect, 3> buttons; // cmdBtn(0..2), in the window's client area
    std::array<bool, 3> enabled{};
    int windowWidth = 0; // outer size, borders and title bar included
    int windowHeight = 0;
};

// Buttons are never narrower than this; a caption gets this much room beside its text.
inline constexpr int kMinButtonWidth = 975;
inline constexpr int kButtonPadding = 210;

MsgBoxLayout computeMsgBoxLayout(const MsgBoxLayoutInput& in);

} // namespace zerva::common
