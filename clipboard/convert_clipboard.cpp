// The conversion of the real clipboard's contents, through the clipboard service.
#include "convert_clipboard.h"

#include "clipboard_convert.h"
#include "clipboard_texts.h"

#include "common/messages.h"

namespace zerva::clipboard {

namespace {

void reportClipboardFailure(common::Messenger& messenger) {
    messenger.MsgBox(texts::kMsgClipboardFailed(), common::kOkOnly, QString());
}

} // namespace

ConvertOutcome ConvertClipboard(const ClipboardTable& table, ClipboardService& clipboard,
                                common::Messenger& messenger) {
    const auto data = clipboard.read();
    if (!data) {
        reportClipboardFailure(messenger);
        return ConvertOutcome::ClipboardFailed;
    }
    if (!data->text && !data->rtf) {
        return ConvertOutcome::NothingToConvert;
    }
    ClipboardData converted;
    if (data->rtf) {
        converted.rtf = convertRtf(table, *data->rtf);
    }
    if (data->text) {
        converted.text = convertText(table, *data->text);
    }
    if (!clipboard.write(converted)) {
        reportClipboardFailure(messenger);
        return ConvertOutcome::ClipboardFailed;
    }
    return ConvertOutcome::Converted;
}

QString completionPrompt() {
    const QString blanks(10, QLatin1Char(' '));
    return blanks + texts::kMsgDone() + blanks;
}

ChangeOutcome cmdChangeClick(const QString& installPath, int tableNumber, Direction direction,
                             ClipboardService& clipboard, common::Messenger& messenger) {
    const auto table = LoadClipboardTable(installPath, tableNumber, direction, messenger);
    if (!table) {
        return ChangeOutcome::TableFailed;
    }
    const ConvertOutcome outcome = ConvertClipboard(*table, clipboard, messenger);
    if (outcome == ConvertOutcome::ClipboardFailed) {
        // The failure was reported; announcing completion as well would call it a success.
        return ChangeOutcome::ClipboardFailed;
    }
    common::MsgBoxArgs notice;
    notice.prompt = completionPrompt();
    notice.button = common::kOkOnly;
    notice.intervalTime = kCompletionNoticeTime;
    messenger.MsgBox(notice);
    return outcome == ConvertOutcome::Converted ? ChangeOutcome::Converted
                                                : ChangeOutcome::NothingToConvert;
}

} // namespace zerva::clipboard
