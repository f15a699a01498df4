// frmEditKey: the small dialog in which the user types the text of the current key.
#pragma once

#include "keyboard/layout_model.h"

#include "common/messages.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zerva::keyboard {

class frmEditKey : public QDialog {
    Q_OBJECT
public:
    // The list of combined keys is filled from the model's ExtraChars when the dialog is made.
    frmEditKey(LayoutModel& model, common::Messenger& messenger, QWidget* parent = nullptr);

    // Prepares the dialog before it is shown: the text it opens with, whether two characters
    // are allowed (the shift plane), and where it opens, in screen pixels: its top-left corner
    // at (leftBox, topBox), moved left so that it does not pass rightBox.
    void Arg(const QString& textKey, bool isMultiChar, int topBox, int leftBox, int rightBox);

    // The accepted text after the dialog closed; empty when cancelled or closed otherwise.
    QString dialogResult() const { return m_result; }
    bool MultiCharAllowed() const { return m_multiCharAllowed; }

    QLineEdit* Text1() const { return m_text1; }
    QComboBox* Combo1() const { return m_combo1; }
    QPushButton* cmdOk() const { return m_cmdOk; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

private:
    void cmdOkClick();
    void combo1Click(int index);

    LayoutModel& m_model;
    common::Messenger& m_messenger;
    QLineEdit* m_text1;
    QComboBox* m_combo1;
    QPushButton* m_cmdOk;
    QPushButton* m_cmdCancel;
    QString m_openedWith; // the text the dialog opened with (Text1's tag)
    QString m_result;
    bool m_multiCharAllowed = false;
};

} // namespace zerva::keyboard
