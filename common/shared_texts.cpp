// The completion notice both converters show.
#include "common/shared_texts.h"

#include "common/table_files.h"

namespace zerva::common {

MsgBoxArgs completionNotice(qint64 noCounterpart) {
    MsgBoxArgs notice;
    const QString blanks(10, QLatin1Char(' '));
    notice.prompt = blanks + texts::kMsgDone() + blanks;
    if (noCounterpart > 0) {
        notice.prompt += QLatin1Char('\n') + noCounterpartMessage(noCounterpart);
    } else {
        notice.intervalTime = kCompletionNoticeTime;
    }
    return notice;
}

} // namespace zerva::common
