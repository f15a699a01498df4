// The clipboard service on the toolkit's clipboard (X11, Wayland or any other platform).
#pragma once

#include "clipboard/clipboard_service.h"

#include <QObject>
#include <QStringList>

class QClipboard;
class QMimeData;

namespace zerva::clipboard {

class QtClipboardService : public QObject, public ClipboardService {
    Q_OBJECT
public:
    explicit QtClipboardService(QObject* parent = nullptr);

    std::optional<ClipboardFormats> formats() override;
    std::optional<ClipboardData> read() override;
    bool write(const ClipboardData& data) override;
    void setChangeHandler(std::function<void()> onChange) override;

    // The RTF names applications use, in the order they are read; all are written.
    static QStringList rtfMimeTypes();
    // The private format that marks this program's own writes.
    static QString ownMimeType();

private:
    QClipboard* m_clipboard;
    std::function<void()> m_onChange;
};

} // namespace zerva::clipboard
