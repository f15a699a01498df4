// The positions and sizes of the keyboard's and the palette's controls.
#include "surface_geometry.h"

#include <array>

namespace zerva::keyboard {

namespace {

constexpr int kKeyWidth = 585;
constexpr int kKeyHeight = 465;
constexpr int kStep = 600;

struct FixedKey {
    const char* caption;
    int left;
    int top;
    int width;
};

constexpr std::array<FixedKey, kFixedKeyCount> kFixedKeys = {{
    {"BackSp", 8040, 120, 870},
    {"Tab", 240, 600, 705},
    {"Caps", 240, 1080, 825},
    {"Enter", 7680, 1080, 1230},
    {"Ctrl", 240, 2040, 825},
    {"Win", 1080, 2040, 825},
    {"Alt", 1920, 2040, 825},
    {"Alt", 6120, 2040, 675},
    {"Win", 6810, 2040, 675},
    {"Menu", 7500, 2040, 675},
    {"Ctrl", 8190, 2040, 720},
}};

} // namespace

common::TwipsRect keyRectTwips(int key) {
    if (key >= 0 && key <= 12) {
        return {240 + kStep * key, 120, kKeyWidth, kKeyHeight};
    }
    if (key >= 13 && key <= 25) {
        return {960 + kStep * (key - 13), 600, key == 25 ? 750 : kKeyWidth, kKeyHeight};
    }
    if (key >= 26 && key <= 36) {
        return {1080 + kStep * (key - 26), 1080, kKeyWidth, kKeyHeight};
    }
    if (key >= 37 && key <= 46) {
        return {1440 + kStep * (key - 37), 1560, kKeyWidth, kKeyHeight};
    }
    if (key == 47) {
        return {2760, 2040, 3345, kKeyHeight};
    }
    return {};
}

common::TwipsRect fixedKeyRectTwips(int index) {
    if (index < 1 || index > kFixedKeyCount) {
        return {};
    }
    const FixedKey& f = kFixedKeys[static_cast<std::size_t>(index - 1)];
    return {f.left, f.top, f.width, kKeyHeight};
}

QString fixedKeyCaption(int index) {
    if (index < 1 || index > kFixedKeyCount) {
        return {};
    }
    return QString::fromLatin1(kFixedKeys[static_cast<std::size_t>(index - 1)].caption);
}

common::TwipsRect shiftToggleRectTwips(int index) {
    if (index == 0) {
        return {240, 1560, 1185, kKeyHeight};
    }
    if (index == 1) {
        return {7440, 1560, 1470, kKeyHeight};
    }
    return {};
}

common::TwipsRect paletteRectTwips(int entry) {
    if (entry >= 0 && entry < 96) {
        return {240 + 360 * (entry % 24), 3120 + 360 * (entry / 24), 360, 360};
    }
    struct Wide {
        int left;
        int width;
    };
    static constexpr std::array<Wide, 8> kWide = {{{600, 960},
                                                   {1560, 960},
                                                   {2520, 720},
                                                   {3240, 1440},
                                                   {4680, 1320},
                                                   {6000, 2040},
                                                   {8040, 480},
                                                   {8520, 360}}};
    if (entry >= 96 && entry < 104) {
        const Wide& w = kWide[static_cast<std::size_t>(entry - 96)];
        return {w.left, 4560, w.width, 360};
    }
    return {};
}

} // namespace zerva::keyboard
