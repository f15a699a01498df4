// The Persian texts of the file converter: the run's messages, the window's caption and
// the captions and tooltips of its controls (those it shares with the clipboard converter
// are in common/shared_texts.h).
#pragma once

#include <QString>

namespace zerva::converter::texts {

// A run in place needs the overwrite option: head, LF CR, tail.
inline QString kMsgNeedsReplaceHead() {
    return QStringLiteral("براي تبديل پروندهها در محل خود بايد مورد بازنويسي را انتخاب");
}
inline QString kMsgNeedsReplaceTail() {
    return QStringLiteral("كنيد.");
}
// The destination folder cannot be written.
inline QString kMsgCannotWrite() {
    return QStringLiteral("امكان نوشتن در مقصد موجود نميباشد.");
}
// No engine for Word documents.
inline QString kMsgInstallWord() {
    return QStringLiteral(
        "براي تبديل فايلها با فرمت Word Documents(.Doc) ابتدا نرمافزار Word را نصب نمائيد.");
}
// Status line while a file is converted: head, the quoted name, a full stop.
inline QString kBusyHead() {
    return QStringLiteral("در حال تبديل فايل ");
}
// Captions of the failure question.
inline QString kNext() {
    return QStringLiteral("بعدي");
}
inline QString kRetry() {
    return QStringLiteral("سعي مجدد");
}
inline QString kCancel() {
    return QStringLiteral("انصراف");
}
// The program's own name, the title of a message box whose call gives none.
inline QString kProgramName() {
    return QStringLiteral("مبدل پرونده");
}
// The window's caption without its version; a running copy is found by it.
inline QString kCaptionStart() {
    return QStringLiteral("زروا 2001 - مبدل پرونده");
}
// The full caption (a right-to-left mark follows it).
inline QString kCaption() {
    return QStringLiteral("زروا 2001 - مبدل پرونده (2)");
}
// Captions and tooltips of the window's controls.
inline QString kLabel1() {
    return QStringLiteral("مبدأ :");
}
inline QString kDirSTip() {
    return QStringLiteral(".محل پروندههايي كه بايد تبديل شوند");
}
inline QString kLabel3() {
    return QStringLiteral("پرونده (ها) :");
}
inline QString kFileSTip() {
    return QStringLiteral(".انتخاب پروندههايي كه بايد تبديل شوند");
}
inline QString kLabel4() {
    return QStringLiteral("قالب پرونده (ها) :");
}
inline QString kFileFormatTip() {
    return QStringLiteral(".انتخاب كدپيج يا نوع پروندههايي كه بايد تبديل شوند");
}
inline QString kLabel2() {
    return QStringLiteral("مقصد :");
}
inline QString kDirDTip() {
    return QStringLiteral(".محل كپي كردن پروندههاي تبديل شده");
}
inline QString kLabel6() {
    return QStringLiteral("امكانات ويژه :");
}
inline QString kReplace() {
    return QStringLiteral("بازنويسي");
}
inline QString kReplaceTip() {
    return QStringLiteral(".در صورت وجود پرونده هم نام در مقصد بازنويسي شوند");
}
inline QString kChangeDir() {
    return QStringLiteral("تغيير جهت");
}
inline QString kChangeDirTip() {
    return QStringLiteral(" تغيير كند.(Text) جهت متن در پروندههاي متن");
}
inline QString kLTRDir() {
    return QStringLiteral("لاتين");
}
inline QString kLTRDirTip() {
    return QStringLiteral("پروندههاي متن لاتين (چپ به راست)");
}
inline QString kRTLDir() {
    return QStringLiteral("فارسي");
}
inline QString kRTLDirTip() {
    return QStringLiteral("پروندههاي متن فارسي (راست به چپ)");
}
inline QString kLogicalDir() {
    return QStringLiteral("ترتيب خواندن");
}
inline QString kLogicalDirTip() {
    return QStringLiteral("پروندههاي متني كه به ترتيب نمايش ذخيره شدهاند (برنامههاي داس)");
}
// The output of text files.
inline QString kOutput1256() {
    return QStringLiteral("كد 1256");
}
inline QString kOutput1256Tip() {
    return QStringLiteral("پروندههاي متن با كد 1256 نوشته شوند");
}
inline QString kOutputUtf8() {
    return QStringLiteral("يونيكد (UTF-8)");
}
inline QString kOutputUtf8Tip() {
    return QStringLiteral(
        "پروندههاي متن با يونيكد نوشته شوند تا برنامههاي امروزي آنها را درست نشان دهند");
}
// The pop-up menu of the file list.
inline QString kFileMenu() {
    return QStringLiteral("فايل");
}
inline QString kSelAll() {
    return QStringLiteral("انتخاب همه");
}
inline QString kDeselAll() {
    return QStringLiteral("لغو همه");
}
inline QString kRevSel() {
    return QStringLiteral("عكس انتخابها");
}
// Selection status: none, or count + middle + entries + tail.
inline QString kNoneSelected() {
    return QStringLiteral("هيچ پروندهاي انتخاب نشده است.");
}
inline QString kSelectedMiddle() {
    return QStringLiteral(" پرونده از ");
}
inline QString kSelectedTail() {
    return QStringLiteral(" پرونده انتخاب شده است.");
}
// A drive that cannot be read.
inline QString kMsgDriveUnreadable() {
    return QStringLiteral("در حال حاضر دسترسي به اين درايو امكان ندارد.");
}

} // namespace zerva::converter::texts
