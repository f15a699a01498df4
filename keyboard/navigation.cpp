// The physical key tables and the key press and release rules of the on-screen keyboard.
#include "navigation.h"

#include "keyboard/keys.h"

#include <Qt>

namespace zerva::keyboard {

int keyIndexForVirtualKey(int vk) {
    if (vk == kVkSpace || vk <= 0) {
        return -1;
    }
    const auto& keys = keyTable();
    for (int k = 0; k < kSpaceBarKey; ++k) {
        if (keys[static_cast<std::size_t>(k)].virtualKey == vk) {
            return k;
        }
    }
    return -1;
}

int virtualKeyFromX11Keycode(std::uint32_t keycode) {
    // evdev codes + 8, row by row as on the keyboard.
    struct Pair {
        std::uint32_t keycode;
        int vk;
    };
    static constexpr Pair kTable[] = {
        {49, 0xC0}, {10, '1'},  {11, '2'},  {12, '3'},  {13, '4'},  {14, '5'},      {15, '6'},
        {16, '7'},  {17, '8'},  {18, '9'},  {19, '0'},  {20, 0xBD}, {21, 0xBB},     {24, 'Q'},
        {25, 'W'},  {26, 'E'},  {27, 'R'},  {28, 'T'},  {29, 'Y'},  {30, 'U'},      {31, 'I'},
        {32, 'O'},  {33, 'P'},  {34, 0xDB}, {35, 0xDD}, {51, 0xDC}, {38, 'A'},      {39, 'S'},
        {40, 'D'},  {41, 'F'},  {42, 'G'},  {43, 'H'},  {44, 'J'},  {45, 'K'},      {46, 'L'},
        {47, 0xBA}, {48, 0xDE}, {52, 'Z'},  {53, 'X'},  {54, 'C'},  {55, 'V'},      {56, 'B'},
        {57, 'N'},  {58, 'M'},  {59, 0xBC}, {60, 0xBE}, {61, 0xBF}, {65, kVkSpace},
    };
    for (const Pair& p : kTable) {
        if (p.keycode == keycode) {
            return p.vk;
        }
    }
    return 0;
}

int virtualKeyFromQtKey(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey; // the same codes
    }
    switch (qtKey) {
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 0xC0;
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return 0xBD;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 0xBB;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 0xDB;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 0xDD;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 0xDC;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 0xBA;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 0xDE;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 0xBC;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 0xBF;
    case Qt::Key_Space:
        return kVkSpace;
    case Qt::Key_Shift:
        return kVkShift;
    case Qt::Key_Control:
        return kVkControl;
    case Qt::Key_Alt:
        return kVkAlt;
    case Qt::Key_Insert:
        return kVkInsert;
    case Qt::Key_Delete:
        return kVkDelete;
    case Qt::Key_F1:
        return kVkF1;
    default:
        return 0;
    }
}

int effectiveModifiers(int vk, int modifiers, bool pressed) {
    int own = 0;
    switch (vk) {
    case kVkShift:
        own = kModShift;
        break;
    case kVkControl:
        own = kModCtrl;
        break;
    case kVkAlt:
        own = kModAlt;
        break;
    default:
        return modifiers;
    }
    return pressed ? (modifiers | own) : (modifiers & ~own);
}

NavigationAction navigationKeyDown(int vk, int modifiers, bool shiftToggleOn) {
    NavigationAction a;
    if (vk == kVkSpace) {
        return a;
    }
    if (shiftToggleOn && modifiers == 0) {
        return a;
    }
    a.shiftPlane = modifiers == kModShift;
    a.openHelp = vk == kVkF1;
    a.focusKey = keyIndexForVirtualKey(vk);
    return a;
}

NavigationAction navigationKeyUp(int vk, int modifiers) {
    NavigationAction a;
    if (vk != kVkSpace) {
        a.shiftPlane = modifiers == kModShift;
    }
    return a;
}

} // namespace zerva::keyboard
