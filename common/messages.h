// The message interface: how core code asks the user, without knowing about windows.
#pragma once

#include <QString>

namespace zerva::common {

// Button sets of the Persian message box.
enum ButtonSet : int {
    kOkOnly = 6,      // "قبول"
    kYesNo = 4,       // "بلي" / "خير"
    kYesNoCancel = 3, // "بلي" / "خير" / "انصراف"
};

// Answers: the index of the pressed button, or -1 when a timed box closed by itself.
enum Answer : int {
    kAnswerTimer = -1,
    kAnswerYes = 0, // also OK
    kAnswerNo = 1,
    kAnswerCancel = 2,
};

// Every argument of one message box. The defaults are the suite's usual call.
struct MsgBoxArgs {
    QString prompt;
    int button = kOkOnly;
    QString title;
    bool promptFrame = true;
    int buttonDirection = 1; // 1: a row below the prompt; anything else: a column on the left
    QString yesCaption;
    QString noCaption;
    QString cancelCaption;
    bool buttonWidthEqual = true;
    // Milliseconds: when not 0 the box is shown without waiting, returns the preset answer
    // at once and closes itself after this time.
    int intervalTime = 0;
};

// The preset answer: the index of the last enabled button (what the close box returns).
int presetAnswer(int button);

// Number of enabled buttons for a button set (0 for an unknown code).
int enabledButtons(int button);

// Title texts used across the suite.
QString errorTitle();  // "اشكال!"
QString noticeTitle(); // "توجه!"
// The product's name, for a window of the suite that belongs to no one program.
QString productName(); // "زروا 2001"

class Messenger {
public:
    virtual ~Messenger() = default;

    // Shows the Persian message box; returns the button index (see Answer).
    virtual int MsgBox(const MsgBoxArgs& args) = 0;

    // The system's own message box, for the few English start-up messages.
    virtual void systemMessage(const QString& text, const QString& title) = 0;

    // The usual call: framed prompt, buttons in a row, equal widths.
    int MsgBox(const QString& prompt, int button, const QString& title) {
        MsgBoxArgs args;
        args.prompt = prompt;
        args.button = button;
        args.title = title;
        return MsgBox(args);
    }
};

} // namespace zerva::common
