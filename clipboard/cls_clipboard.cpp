// The clipboard watch over the service's change notices.
#include "cls_clipboard.h"

namespace zerva::clipboard {

clsClipboard::clsClipboard(ClipboardService& clipboard) : m_clipboard(clipboard) {}

clsClipboard::~clsClipboard() {
    StopClipboardChangeNotification();
}

void clsClipboard::InitClipboardChangeNotification(ButtonState button) {
    StopClipboardChangeNotification();
    m_button = std::move(button);
    if (!m_button) {
        return;
    }
    m_clipboard.setChangeHandler([this] { clipboardChanged(); });
    m_active = true;
    // Whatever is there at the start can be converted, even data this program wrote in an
    // earlier run.
    follow(false);
}

void clsClipboard::StopClipboardChangeNotification() {
    if (m_active) {
        m_clipboard.setChangeHandler({});
    }
    m_active = false;
}

void clsClipboard::clipboardChanged() {
    if (m_active) {
        follow(true);
    }
}

void clsClipboard::follow(bool afterOwnWrite) {
    const auto formats = m_clipboard.formats();
    if (!formats) {
        return; // a clipboard that cannot be asked leaves the button as it is
    }
    if (afterOwnWrite && formats->ownWrite) {
        m_button(false);
        return;
    }
    m_button(formats->text || formats->rtf);
}

} // namespace zerva::clipboard
