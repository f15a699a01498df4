// Reading plain text bytes from the clipboard.
#include "clipboard_service.h"

#include "common/codepage.h"

#include <QStringDecoder>

namespace zerva::clipboard {

QString textFromPlainBytes(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return common::fromCp1256(bytes);
}

} // namespace zerva::clipboard
