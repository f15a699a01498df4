// The Persian texts the file converter and the clipboard converter share: the completion
// notice, the direction options and the command buttons.
#pragma once

#include "common/messages.h"

#include <QString>

namespace zerva::common::texts {

// The notice at the end of a conversion (padded with blanks when shown).
inline QString kMsgDone() {
    return QStringLiteral("عمليات تبديل تمام شد.");
}
// The direction frame: its label, and its two options with their tooltips.
inline QString kLabel5() {
    return QStringLiteral("جهت تبديل :");
}
inline QString kChangeToMS() {
    return QStringLiteral("تبديل به مايكروسافت .");
}
inline QString kChangeToMSTip() {
    return QStringLiteral(".تبديل از قالب انتخاب شده به مايكروسافت");
}
inline QString kChangeFromMS() {
    return QStringLiteral("تبديل از مايكروسافت .");
}
inline QString kChangeFromMSTip() {
    return QStringLiteral(".تبديل از مايكروسافت به قالب انتخاب شده");
}
// The command buttons.
inline QString kCmdChange() {
    return QStringLiteral("تبديل");
}
inline QString kCmdHelp() {
    return QStringLiteral("راهنما");
}
inline QString kCmdExit() {
    return QStringLiteral("خروج");
}

} // namespace zerva::common::texts

namespace zerva::common {

// The notice at the end of a conversion, padded with ten blanks on each side: it closes by
// itself after kCompletionNoticeTime, unless characters without a counterpart in the target
// encoding were met; it then says how many and stays until the user has seen it.
MsgBoxArgs completionNotice(qint64 noCounterpart);

inline constexpr int kCompletionNoticeTime = 3000;

} // namespace zerva::common
