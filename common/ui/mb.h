// MB: the suite's Persian message box window, and the Qt implementation of the message
// interface that shows it.
#pragma once

#include "common/messages.h"
#include "common/msgbox_layout.h"

#include <QDialog>
#include <QPointer>

#include <array>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace zerva::common {

class MB : public QDialog {
    Q_OBJECT
public:
    // programName: the title of a box whose call gives none (the program's Persian name),
    // so that the window system does not put the program's file name there.
    explicit MB(QWidget* parent = nullptr, QString programName = QString());

    // Configures the window for one call and lays it out; does not show it.
    void configure(const MsgBoxArgs& args);

    // The full call: configure, then show modally (or, timed, without waiting).
    int MsgBox(const MsgBoxArgs& args);

    int answer() const { return m_answer; }
    const MsgBoxLayout& layoutTwips() const { return m_layout; }
    QPushButton* button(int i) const { return m_buttons[static_cast<std::size_t>(i)]; }
    QTimer* timer() const { return m_timer; }

    // Width of text in the buttons' font, in twips.
    int MeasureText(const QString& text) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    QFrame* m_frame;
    QLabel* m_message;
    std::array<QPushButton*, 3> m_buttons{};
    QTimer* m_timer;
    int m_answer = 0;
    MsgBoxLayout m_layout;
    QString m_programName;
};

// Outer size of a fixed dialog beyond its client area, in twips (borders and title bar).
inline constexpr int kDialogDecorationWidth = 90;
inline constexpr int kDialogDecorationHeight = 360;

class QtMessenger : public Messenger {
public:
    // programName: the title of the boxes whose call gives none.
    explicit QtMessenger(QString programName, QWidget* parent = nullptr)
        : m_parent(parent), m_programName(std::move(programName)) {}
    using Messenger::MsgBox;
    int MsgBox(const MsgBoxArgs& args) override;
    void systemMessage(const QString& text, const QString& title) override;

    // The self-closing box still on screen, if any.
    MB* timedBox() const { return m_timed; }

private:
    QWidget* m_parent;
    QString m_programName;
    QPointer<MB> m_timed;
};

} // namespace zerva::common
