// The conversion of the real clipboard's contents, through the clipboard service.
#include "clipboard_command.h"

#include "clipboard_rules.h"
#include "clipboard_texts.h"

#include "common/messages.h"
#include "common/shared_texts.h"
#include "common/table_files.h"

namespace zerva::clipboard {

namespace {

void reportClipboardFailure(common::Messenger& messenger) {
    messenger.MsgBox(texts::kMsgClipboardFailed(), common::kOkOnly, QString());
}

} // namespace

ConvertOutcome ConvertClipboard(const ClipboardTable& table, ClipboardService& clipboard,
                                common::Messenger& messenger, qint64* noCounterpart) {
    const auto data = clipboard.read();
    if (!data) {
        reportClipboardFailure(messenger);
        return ConvertOutcome::ClipboardFailed;
    }
    if (!data->text && !data->rtf) {
        return ConvertOutcome::NothingToConvert;
    }
    // Replacement characters are what the toolkit makes of 8-bit text offered as UTF-8: the
    // original bytes are not there to convert, and writing the text back would lose them.
    if (data->text && data->text->contains(QChar::ReplacementCharacter)) {
        messenger.MsgBox(texts::kMsgTextUnreadable(), common::kOkOnly, QString());
        return ConvertOutcome::ClipboardFailed;
    }
    ClipboardData converted;
    qint64 counted = 0;
    if (data->rtf) {
        converted.rtf = convertRtf(table, *data->rtf, &counted);
    }
    if (data->text) {
        converted.text = convertText(table, *data->text, &counted);
    }
    if (!clipboard.write(converted)) {
        reportClipboardFailure(messenger);
        return ConvertOutcome::ClipboardFailed;
    }
    if (noCounterpart != nullptr) {
        *noCounterpart += counted;
    }
    return ConvertOutcome::Converted;
}

ChangeOutcome cmdChangeClick(const QString& installPath, int tableNumber, Direction direction,
                             ClipboardService& clipboard, common::Messenger& messenger) {
    const auto table = LoadClipboardTable(installPath, tableNumber, direction, messenger);
    if (!table) {
        return ChangeOutcome::TableFailed;
    }
    qint64 noCounterpart = 0;
    const ConvertOutcome outcome = ConvertClipboard(*table, clipboard, messenger, &noCounterpart);
    if (outcome == ConvertOutcome::ClipboardFailed) {
        // The failure was reported; announcing completion as well would call it a success.
        return ChangeOutcome::ClipboardFailed;
    }
    messenger.MsgBox(common::completionNotice(noCounterpart));
    return outcome == ConvertOutcome::Converted ? ChangeOutcome::Converted
                                                : ChangeOutcome::NothingToConvert;
}

} // namespace zerva::clipboard
