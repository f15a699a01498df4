// clsClipboard: keeps the convert button in step with the clipboard. On every change the
// button is enabled when the clipboard holds text or RTF and disabled otherwise; the
// program's own write (after a conversion) leaves it disabled.
#pragma once

#include "clipboard_service.h"

#include <functional>

namespace zerva::clipboard {

class clsClipboard {
public:
    // What the watch drives: the enabled state of the convert button.
    using ButtonState = std::function<void(bool enabled)>;

    explicit clsClipboard(ClipboardService& clipboard);
    ~clsClipboard(); // stops the watch
    clsClipboard(const clsClipboard&) = delete;
    clsClipboard& operator=(const clsClipboard&) = delete;

    // Starts following the clipboard (stopping any earlier watch first) and sets the button
    // for the present contents at once.
    void InitClipboardChangeNotification(ButtonState button);

    // Ends the watch; harmless when none is active.
    void StopClipboardChangeNotification();

    bool active() const { return m_active; }

    // The handler of one clipboard change.
    void clipboardChanged();

private:
    void follow(bool afterOwnWrite);

    ClipboardService& m_clipboard;
    ButtonState m_button;
    bool m_active = false;
};

} // namespace zerva::clipboard
