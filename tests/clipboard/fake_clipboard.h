// A clipboard for tests: holds text, RTF and "other" data, can refuse to be read or written,
// and tells its watcher of every change as the real one does.
#pragma once

#include "clipboard/clipboard_service.h"

namespace zerva::test {

class FakeClipboard : public clipboard::ClipboardService {
public:
    std::optional<clipboard::ClipboardFormats> formats() override {
        if (failRead) {
            return std::nullopt;
        }
        return clipboard::ClipboardFormats{data.text.has_value(), data.rtf.has_value(), ownMark};
    }
    std::optional<clipboard::ClipboardData> read() override {
        ++reads;
        if (failRead) {
            return std::nullopt;
        }
        return data;
    }
    bool write(const clipboard::ClipboardData& d) override {
        if (failWrite) {
            return false;
        }
        data = d;
        other = false;
        ownMark = true;
        ++writes;
        changed();
        return true;
    }
    void setChangeHandler(std::function<void()> onChange) override {
        m_onChange = std::move(onChange);
        ++handlerChanges;
    }

    // Another program puts something on the clipboard.
    void copyFromOtherProgram(clipboard::ClipboardData d, bool withOther = false) {
        data = std::move(d);
        other = withOther;
        ownMark = false;
        changed();
    }
    bool watched() const { return static_cast<bool>(m_onChange); }

    clipboard::ClipboardData data;
    bool other = false; // a picture, say: a format the converter neither reads nor keeps
    bool ownMark = false;
    bool failRead = false;
    bool failWrite = false;
    int reads = 0;
    int writes = 0;
    int handlerChanges = 0;

private:
    void changed() {
        if (m_onChange) {
            m_onChange();
        }
    }
    std::function<void()> m_onChange;
};

} // namespace zerva::test
