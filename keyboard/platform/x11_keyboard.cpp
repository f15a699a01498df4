// Xlib calls of the installer, kept apart: Xlib's macros (Status, None, Bool) clash with Qt.
#include "x11_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace zerva::keyboard {

bool setXkbNamesAndGroup(const QString& display, const QByteArray& rulesNames, int group,
                         QString* error) {
    Display* x = XOpenDisplay(display.toLocal8Bit().constData());
    if (x == nullptr) {
        *error = QStringLiteral("cannot open display %1").arg(display);
        return false;
    }
    const Atom names = XInternAtom(x, "_XKB_RULES_NAMES", False);
    XChangeProperty(x, DefaultRootWindow(x), names, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(rulesNames.constData()),
                    static_cast<int>(rulesNames.size()));
    const bool locked = XkbLockGroup(x, XkbUseCoreKbd, static_cast<unsigned>(group)) != 0;
    XSync(x, False);
    XCloseDisplay(x);
    if (!locked) {
        *error = QStringLiteral("the X server refused to lock group %1").arg(group);
    }
    return locked;
}

} // namespace zerva::keyboard
