// Message box geometry: button widths, the row and column layouts and the window size.
#include "msgbox_layout.h"

#include "messages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zerva::common {
namespace {

// Nearest integer, halves to even (the rounding of the original arithmetic).
int roundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

} // namespace
MsgBoxLayout computeMsgBoxLayout(const MsgBoxLayoutInput& in) {
    MsgBoxLayout out;
    const int n = enabledButtons(in.button);
    for (int i = 0; i < 3; ++i) {
        out.enabled[static_cast<std::size_t>(i)] = i < n;
    }

    std::array<int, 3> w{};
    for (std::size_t i = 0; i < 3; ++i) {
        w[i] = std::max(in.captionWidth[i] + kButtonPadding, kMinButtonWidth);
    }
    const int widest = static_cast<std::int16_t>(std::max({w[0], w[1], w[2]}));
    if (in.buttonWidthEqual) {
        w.fill(widest);
    }
    const int h = in.buttonHeight;

    int msgW = in.messageWidth;
    int msgH = in.messageHeight;
    out.message = {120, 180, 0, 0};
    out.frame.top = 60;

    if (in.buttonDirection == 1) {
        out.frame.left = 120;
        const int total = static_cast<std::int16_t>(
            (n >= 1 ? w[0] + 120 : 0) + (n >= 2 ? w[1] + 120 : 0) + (n == 3 ? w[2] + 120 : 0));
        int g = 120;
        if (total > msgW + 360) {
            msgW = total - 360;
        } else {
            g = roundHalfEven(static_cast<double>(msgW + 360 - total) / (n + 1) + 120);
        }
        const int left2 = g;
        const int left1 = g + (n == 3 ? g + w[2] : 0);
        const int left0 = g + (n >= 2 ? g + w[1] : 0) + (n == 3 ? g + w[2] : 0);
        const int top = msgH + 510;
        out.buttons[0] = {left0, top, w[0], h};
        out.buttons[1] = {left1, top, w[1], h};
        out.buttons[2] = {left2, top, w[2], h};
    } else {
        out.frame.left = widest + 240;
        const int total = (n >= 1 ? h + 120 : 0) + (n >= 2 ? h + 120 : 0) + (n == 3 ? h + 120 : 0);
        int g = 120;
        if (total > msgH + 420) {
            msgH = total - 420;
        } else {
            g = roundHalfEven(static_cast<double>(msgH + 420 - total) / (n + 1) + 120);
        }
        out.buttons[0] = {widest + 120 - w[0], g, w[0], h};
        out.buttons[1] = {widest + 120 - w[1], 2 * g + h, w[1], h};
        out.buttons[2] = {widest + 120 - w[2], 3 * g + h + h, w[2], h};
    }

    out.message.width = msgW;
    out.message.height = msgH;
    out.frame.width = msgW + 240;
    out.frame.height = msgH + 300;
    out.windowWidth = out.frame.left + 210 + out.frame.width;
    out.windowHeight = out.frame.height + (in.buttonDirection == 1 ? 1095 : 615);
    return out;
}

} // namespace zerva::common
