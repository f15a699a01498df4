// Button set rules shared by every implementation of the message interface.
#include "messages.h"

namespace zerva::common {

int enabledButtons(int button) {
    switch (button) {
    case kOkOnly:
        return 1;
    case kYesNo:
        return 2;
    case kYesNoCancel:
        return 3;
    default:
        return 0;
    }
}

int presetAnswer(int button) {
    if (button == kYesNoCancel) {
        return kAnswerCancel;
    }
    if (button == kYesNo) {
        return kAnswerNo;
    }
    return kAnswerYes;
}

QString errorTitle() {
    return QStringLiteral("اشكال!");
}
QString productName() {
    return QStringLiteral("زروا 2001");
}

QString noticeTitle() {
    return QStringLiteral("توجه!");
}

} // namespace zerva::common
