// Positions and sizes in twips, as the windows are laid out, and their pixels on screen.
#pragma once

#include <QRect>

#include <cmath>

namespace zerva::common {

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// 15 twips per pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel, halves to even.
inline int twipsToPixels(int twips) {
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / kTwipsPerPixel));
}

inline int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

inline QRect toPixels(const TwipsRect& r) {
    return {twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
            twipsToPixels(r.height)};
}

} // namespace zerva::common
