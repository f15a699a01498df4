// Reading and writing the clipboard's text and RTF through QClipboard.
#include "qt_clipboard_service.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace zerva::clipboard {

namespace {

bool hasAnyRtf(const QMimeData& mime) {
    for (const QString& type : QtClipboardService::rtfMimeTypes()) {
        if (mime.hasFormat(type)) {
            return true;
        }
    }
    return false;
}

// The clipboard's plain text. Text that says it is UTF-8 is read as such; bare "text/plain"
// bytes are read as they are, since a legacy program may have put its own 8-bit text there,
// which the toolkit would turn into U+FFFD.
std::optional<QString> plainText(const QMimeData& mime) {
    if (mime.hasFormat(QStringLiteral("text/plain;charset=utf-8"))) {
        return mime.text();
    }
    if (mime.hasFormat(QStringLiteral("text/plain"))) {
        return textFromPlainBytes(mime.data(QStringLiteral("text/plain")));
    }
    if (mime.hasText()) {
        return mime.text();
    }
    return std::nullopt;
}

} // namespace

QtClipboardService::QtClipboardService(QObject* parent)
    : QObject(parent), m_clipboard(QGuiApplication::clipboard()) {
    connect(m_clipboard, &QClipboard::dataChanged, this, [this] {
        if (m_onChange) {
            m_onChange();
        }
    });
}

QStringList QtClipboardService::rtfMimeTypes() {
    // LibreOffice pastes only the first two; other editors use the third.
    return {QStringLiteral("text/rtf"), QStringLiteral("text/richtext"),
            QStringLiteral("application/rtf")};
}

QString QtClipboardService::ownMimeType() {
    return QStringLiteral("application/x-zerva-clipboard-converter");
}

std::optional<ClipboardFormats> QtClipboardService::formats() {
    const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!mime) {
        return std::nullopt;
    }
    ClipboardFormats f;
    f.text = mime->hasText();
    f.rtf = hasAnyRtf(*mime);
    f.ownWrite = mime->hasFormat(ownMimeType());
    return f;
}

std::optional<ClipboardData> QtClipboardService::read() {
    const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!mime) {
        return std::nullopt;
    }
    ClipboardData data;
    data.text = plainText(*mime);
    for (const QString& type : rtfMimeTypes()) {
        if (mime->hasFormat(type)) {
            QByteArray rtf = mime->data(type);
            // Some applications end the data with the NUL of a C string.
            while (rtf.endsWith('\0')) {
                rtf.chop(1);
            }
            data.rtf = rtf;
            break;
        }
    }
    return data;
}

bool QtClipboardService::write(const ClipboardData& data) {
    auto* mime = new QMimeData;
    if (data.text) {
        mime->setText(*data.text);
    }
    if (data.rtf) {
        for (const QString& type : rtfMimeTypes()) {
            mime->setData(type, *data.rtf);
        }
    }
    mime->setData(ownMimeType(), QByteArrayLiteral("1"));
    m_clipboard->setMimeData(mime, QClipboard::Clipboard); // takes ownership
    // The platform may refuse (no connection to the display, say): what is there now tells.
    const QMimeData* now = m_clipboard->mimeData(QClipboard::Clipboard);
    return now && now->hasFormat(ownMimeType());
}

void QtClipboardService::setChangeHandler(std::function<void()> onChange) {
    m_onChange = std::move(onChange);
}

} // namespace zerva::clipboard
