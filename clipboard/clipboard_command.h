// Converting the clipboard in place, and the whole press of the convert button.
#pragma once

#include "clipboard_service.h"
#include "clipboard_table.h"

namespace zerva::common {
class Messenger;
}

namespace zerva::clipboard {

enum class ConvertOutcome {
    Converted,        // text and/or RTF were converted and put back
    NothingToConvert, // neither text nor RTF: the clipboard is untouched
    ClipboardFailed,  // it could not be read or written, or its text arrived damaged:
                      // untouched, the user was told
};

// Reads the clipboard's text and RTF, converts both, and only when both are done replaces
// the clipboard's contents with the results in one step (so a failure leaves it as it was).
// Shows the message that the clipboard cannot be opened when reading or writing fails. Text
// holding U+FFFD (8-bit text the toolkit read as UTF-8) is not converted: the clipboard is
// left as it was and the user told so.
// noCounterpart, when given, receives the number of characters without a counterpart.
ConvertOutcome ConvertClipboard(const ClipboardTable& table, ClipboardService& clipboard,
                                common::Messenger& messenger, qint64* noCounterpart = nullptr);

enum class ChangeOutcome {
    TableFailed, // the table file is unusable (the user was told): the window closes
    Converted,   // the convert button is disabled until the clipboard changes
    NothingToConvert,
    ClipboardFailed,
};

// The convert button: loads table n of the installation folder in the given direction,
// converts the clipboard, and on success or an empty clipboard shows the completion notice:
// self-closing, unless characters without a counterpart were met (it then says how many).
ChangeOutcome cmdChangeClick(const QString& installPath, int tableNumber, Direction direction,
                             ClipboardService& clipboard, common::Messenger& messenger);

} // namespace zerva::clipboard
