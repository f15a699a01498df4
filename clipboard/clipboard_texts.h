// The Persian texts of the clipboard converter: messages, caption and control captions.
#pragma once

#include <QString>

namespace zerva::clipboard::texts {

// The table files' messages are the suite's own, in common/table_files.h; the texts both
// converters show are in common/shared_texts.h.

// The clipboard could not be read or written.
inline QString kMsgClipboardFailed() {
    return QStringLiteral("Clipboard را نميتوان گشود.");
}
// The clipboard's text arrived damaged (8-bit text offered as UTF-8): it is left alone.
inline QString kMsgTextUnreadable() {
    return QStringLiteral("متن Clipboard را نميتوان خواند؛ Clipboard تغيير نكرد.");
}
// The program's own name, the title of a message box whose call gives none.
inline QString kProgramName() {
    return QStringLiteral("مبدل Clipboard");
}
// The window's caption, before the version.
inline QString kCaptionStart() {
    return QStringLiteral("زروا 2001 - مبدل Clipboard");
}
inline QString kLabel4() {
    return QStringLiteral("قالب Clipboard :");
}
inline QString kFileFormatTip() {
    return QStringLiteral(".Clipboard انتخاب كدپيج يا نوع");
}
// The preview of the clipboard's text before and after conversion.
inline QString kPreviewBefore() {
    return QStringLiteral("پيش از تبديل :");
}
inline QString kPreviewAfter() {
    return QStringLiteral("پس از تبديل :");
}
inline QString kPreviewNoText() {
    return QStringLiteral("Clipboard متن ساده ندارد.");
}
inline QString kPreviewNoTable() {
    return QStringLiteral("جدول تبديل خوانده نشد.");
}

} // namespace zerva::clipboard::texts
