// Driving the on-screen keyboard from the real keyboard: which physical key selects which
// on-screen key, and what a key press or release does to the plane shown and the focus.
//
// Physical keys are named by their Windows virtual-key codes, the codes the layout file uses.
// They come from the key's position (the X11 keycode) where the platform gives it, so that the
// layout active in the system (a Persian one, say) does not change which key is selected.
#pragma once

#include <cstdint>
#include <optional>

namespace zerva::keyboard {

// Virtual-key codes the navigation looks at.
inline constexpr int kVkSpace = 32;
inline constexpr int kVkShift = 16;
inline constexpr int kVkControl = 17;
inline constexpr int kVkAlt = 18;
inline constexpr int kVkInsert = 45;
inline constexpr int kVkDelete = 46;
inline constexpr int kVkF1 = 112;

// The modifier state as a bit set; "Shift alone" is exactly kModShift.
inline constexpr int kModShift = 1;
inline constexpr int kModCtrl = 2;
inline constexpr int kModAlt = 4;

// The BtnKey index a virtual-key code selects, -1 for codes outside the table (the space bar
// among them: space never moves the focus).
int keyIndexForVirtualKey(int vk);

// The virtual-key code of a key from its X11 keycode (the Linux evdev code plus 8), for the 47
// keys of the table and the space bar; 0 for any other keycode.
int virtualKeyFromX11Keycode(std::uint32_t keycode);

// The virtual-key code for a Qt key code (Qt::Key), from the character it types on a US
// layout, shifted or not; F1, space, Shift, Ctrl, Alt, Insert and Delete too; 0 otherwise.
int virtualKeyFromQtKey(int qtKey);

// The modifier state of a press or release of vk: a press of Shift, Ctrl or Alt counts its own
// modifier as held, a release of one as no longer held, whatever the platform reported.
int effectiveModifiers(int vk, int modifiers, bool pressed);

struct NavigationAction {
    std::optional<bool> shiftPlane; // the value the left Shift toggle takes, if any
    bool openHelp = false;
    int focusKey = -1; // BtnKey that takes the focus, -1 for none
};

// A key press seen by the main window before the focused control. Space does nothing; with a
// Shift toggle on, an unmodified key does nothing either (a toggle latched with the mouse is
// kept); otherwise Shift alone shows the shift plane and anything else the base plane, F1 asks
// for help and a key of the table is selected.
NavigationAction navigationKeyDown(int vk, int modifiers, bool shiftToggleOn);

// A key release: the plane follows Shift alone (space excepted), which also releases a toggle
// latched with the mouse.
NavigationAction navigationKeyUp(int vk, int modifiers);

} // namespace zerva::keyboard
