// The clipboard as the converter sees it: plain text and RTF, read and replaced as a whole.
// The real service lives in clipboard/platform; tests use a fake.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace zerva::clipboard {

// What the converter reads and writes. RTF is kept as the bytes the clipboard holds.
struct ClipboardData {
    std::optional<QString> text;
    std::optional<QByteArray> rtf;
    bool operator==(const ClipboardData&) const = default;
};

// Which of the converter's formats the clipboard holds, without reading them.
struct ClipboardFormats {
    bool text = false;
    bool rtf = false;
    // The data was written by this program (it carries the program's private mark).
    bool ownWrite = false;
};

// The text of a clipboard's plain text bytes ("text/plain" without a character set): valid
// UTF-8 is read as such; anything else is what a legacy program put there, its own bytes,
// and each byte is taken as its code page 1256 character (what the conversion works on),
// never replaced by U+FFFD.
QString textFromPlainBytes(QByteArrayView bytes);

class ClipboardService {
public:
    virtual ~ClipboardService() = default;

    // The formats on the clipboard; nothing when it cannot be asked.
    virtual std::optional<ClipboardFormats> formats() = 0;

    // The text and RTF on the clipboard; nothing when it cannot be read.
    virtual std::optional<ClipboardData> read() = 0;

    // Replaces everything on the clipboard with data, both formats in one step, marked as
    // this program's own write. False when the clipboard did not take it (it is then as
    // it was).
    virtual bool write(const ClipboardData& data) = 0;

    // Calls onChange after every change of the clipboard, including this program's own
    // writes (possibly later); an empty function stops the calls.
    virtual void setChangeHandler(std::function<void()> onChange) = 0;
};

} // namespace zerva::clipboard
