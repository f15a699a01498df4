// The message box window: captions, preset answers, the twips layout turned into pixels,
// modal and self-closing display.
#include "mb.h"

#include "fonts.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace zerva::common {
MB::MB(QWidget* parent, QString programName)
    : QDialog(parent), m_programName(std::move(programName)) {
    setObjectName(QStringLiteral("MB"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setLayoutDirection(Qt::RightToLeft);
    setFont(suiteFont(10));

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("MessageFrame"));
    m_message = new QLabel(m_frame);
    m_message->setObjectName(QStringLiteral("Message"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(false);

    const QFont buttonFont = suiteFont(9.75, true);
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("cmdBtn_%1").arg(i));
        b->setFont(buttonFont);
        b->setAutoDefault(true);
        connect(b, &QPushButton::clicked, this, [this, i] {
            m_timer->stop();
            m_answer = i;
            done(QDialog::Accepted);
        });
        m_buttons[static_cast<std::size_t>(i)] = b;
    }
    m_buttons[0]->setText(QStringLiteral("قبول"));
    m_buttons[1]->setText(QStringLiteral("خير"));
    m_buttons[2]->setText(QStringLiteral("انصراف"));
    setTabOrder(m_buttons[0], m_buttons[1]);
    setTabOrder(m_buttons[1], m_buttons[2]);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("msgTimer"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_answer = kAnswerTimer;
        done(QDialog::Accepted);
    });
}

int MB::MeasureText(const QString& text) const {
    const QFontMetrics fm(m_buttons[0]->font());
    return pixelsToTwips(fm.horizontalAdvance(text));
}

void MB::configure(const MsgBoxArgs& args) {
    m_message->setText(args.prompt);
    m_answer = presetAnswer(args.button);
    setWindowTitle(args.title.isEmpty() ? m_programName : args.title);
    m_frame->setFrameShape(args.promptFrame ? QFrame::Box : QFrame::NoFrame);
    m_frame->setFrameShadow(QFrame::Plain);

    const QString yes = !args.yesCaption.isEmpty() ? args.yesCaption
                        : args.button == kOkOnly   ? QStringLiteral("قبول")
                                                   : QStringLiteral("بلي");
    const QString no = args.noCaption.isEmpty() ? QStringLiteral("خير") : args.noCaption;
    const QString cancel =
        args.cancelCaption.isEmpty() ? QStringLiteral("انصراف") : args.cancelCaption;
    m_buttons[0]->setText(yes);
    m_buttons[1]->setText(no);
    m_buttons[2]->setText(cancel);

    const int n = enabledButtons(args.button);
    MsgBoxLayoutInput in;
    const QFontMetrics metrics = m_message->fontMetrics();
    const QSize textSize = metrics.boundingRect(QRect(), Qt::TextExpandTabs, args.prompt).size();
    // The widest line measured by itself: measured together, a line loses the blanks it is
    // padded with (the completion notice's), and the label would cut its text.
    int textWidth = textSize.width();
    for (const QString& line : args.prompt.split(u'\n')) {
        textWidth =
            std::max(textWidth, metrics.boundingRect(QRect(), Qt::TextExpandTabs, line).width());
    }
    in.messageWidth = pixelsToTwips(textWidth);
    in.messageHeight = pixelsToTwips(textSize.height());
    for (std::size_t i = 0; i < 3; ++i) {
        in.captionWidth[i] = MeasureText(m_buttons[i]->text());
    }
    in.button = args.button;
    in.buttonDirection = args.buttonDirection;
    in.buttonWidthEqual = args.buttonWidthEqual;
    m_layout = computeMsgBoxLayout(in);

    m_frame->setGeometry(toPixels(m_layout.frame));
    m_message->setGeometry(toPixels(m_layout.message));
    for (std::size_t i = 0; i < 3; ++i) {
        QPushButton* b = m_buttons[i];
        b->setGeometry(toPixels(m_layout.buttons[i]));
        b->setEnabled(static_cast<int>(i) < n);
    }
    // Spare buttons stand behind the leftmost used one.
    for (int i = n - 1; i >= 0; --i) {
        m_buttons[static_cast<std::size_t>(i)]->raise();
    }
    setFixedSize(twipsToPixels(m_layout.windowWidth - kDialogDecorationWidth),
                 twipsToPixels(m_layout.windowHeight - kDialogDecorationHeight));
    if (n > 0) {
        m_buttons[0]->setDefault(false);
        m_buttons[0]->setFocus();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

int MB::MsgBox(const MsgBoxArgs& args) {
    configure(args);
    if (args.intervalTime != 0) {
        setModal(false);
        m_timer->setInterval(args.intervalTime);
        m_timer->start();
        const int preset = m_answer;
        show();
        return preset;
    }
    exec();
    return m_answer;
}

void MB::keyPressEvent(QKeyEvent* event) {
    // No key stands for Cancel: Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MB::reject() {
    // The close box: the answer stays the preset one. Escape never gets here (see above).
    m_timer->stop();
    done(QDialog::Rejected);
}

int QtMessenger::MsgBox(const MsgBoxArgs& args) {
    // One box at a time, as the original's single form: a self-closing box still on screen
    // gives way to the next one.
    if (m_timed) {
        m_timed->close();
    }
    if (args.intervalTime != 0) {
        auto* box = new MB(m_parent, m_programName);
        box->setAttribute(Qt::WA_DeleteOnClose);
        m_timed = box;
        return box->MsgBox(args);
    }
    MB box(m_parent, m_programName);
    return box.MsgBox(args);
}

void QtMessenger::systemMessage(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, m_parent);
    box.setLayoutDirection(Qt::LeftToRight);
    box.exec();
}

} // namespace zerva::common
