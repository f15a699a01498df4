// The MB window offscreen: captions, preset answers, the close box, Escape, the timed box.
#include "common/ui/mb.h"
#include "tests/support/row_name.h"
#include "tests/support/wait.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace zerva::common;

namespace {

MsgBoxArgs args(int button, const QString& prompt = QStringLiteral("متن\nدو خط")) {
    MsgBoxArgs a;
    a.prompt = prompt;
    a.button = button;
    a.title = noticeTitle();
    return a;
}

// Runs action on the modal box once it is shown.
void whenShown(std::function<void(MB*)> action) {
    QTimer::singleShot(0, [action] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* mb = qobject_cast<MB*>(w); mb && mb->isVisible()) {
                action(mb);
                return;
            }
        }
        ADD_FAILURE() << "no message box on screen";
    });
}

} // namespace

TEST(MB, CaptionsAndEnabledButtons) {
    MB box;
    box.configure(args(kOkOnly));
    EXPECT_EQ(box.button(0)->text(), QStringLiteral("قبول"));
    EXPECT_TRUE(box.button(0)->isEnabled());
    EXPECT_FALSE(box.button(1)->isEnabled());
    EXPECT_FALSE(box.button(2)->isEnabled());
    EXPECT_EQ(box.answer(), 0);

    box.configure(args(kYesNoCancel));
    EXPECT_EQ(box.button(0)->text(), QStringLiteral("بلي"));
    EXPECT_EQ(box.button(1)->text(), QStringLiteral("خير"));
    EXPECT_EQ(box.button(2)->text(), QStringLiteral("انصراف"));
    EXPECT_EQ(box.answer(), 2);
    // "بلي" is the rightmost in a row.
    EXPECT_GT(box.button(0)->x(), box.button(1)->x());
    EXPECT_GT(box.button(1)->x(), box.button(2)->x());

    MsgBoxArgs custom = args(kYesNo);
    custom.yesCaption = QStringLiteral("تلاش مجدد");
    custom.noCaption = QStringLiteral("بعدي");
    box.configure(custom);
    EXPECT_EQ(box.button(0)->text(), QStringLiteral("تلاش مجدد"));
    EXPECT_EQ(box.button(1)->text(), QStringLiteral("بعدي"));
    EXPECT_EQ(box.answer(), 1);
    // The spare third button sits exactly where the leftmost used one is.
    EXPECT_EQ(box.button(2)->geometry(), box.button(1)->geometry());
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("Message"))->text(), custom.prompt);
    EXPECT_EQ(box.windowTitle(), noticeTitle());
}

TEST(MB, GeometryFollowsTheTwipsLayout) {
    MB box;
    box.configure(args(kYesNoCancel));
    const MsgBoxLayout& l = box.layoutTwips();
    EXPECT_EQ(box.button(0)->geometry(),
              QRect(twipsToPixels(l.buttons[0].left), twipsToPixels(l.buttons[0].top),
                    twipsToPixels(l.buttons[0].width), twipsToPixels(375)));
    EXPECT_EQ(box.width(), twipsToPixels(l.windowWidth - kDialogDecorationWidth));
    // Two lines make the prompt taller than one.
    MB one;
    one.configure(args(kYesNoCancel, QStringLiteral("يك خط")));
    EXPECT_GT(l.message.height, one.layoutTwips().message.height);
}

TEST(MB, APaddedLineKeepsItsWidthAmongOthers) {
    // The completion notice with a second line: its blanks must still count.
    const QString padded =
        QString(10, u' ') + QStringLiteral("عمليات تبديل تمام شد.") + QString(10, u' ');
    MB alone;
    alone.configure(args(kOkOnly, padded));
    MB two;
    two.configure(args(kOkOnly, padded + QStringLiteral("\n3 نويسه قابل تبديل نبود.")));
    EXPECT_GE(two.layoutTwips().message.width, alone.layoutTwips().message.width);
}

namespace {

struct AnswerCase {
    const char* name;
    int button;
    std::function<void(MB*)> action;
    int expected;
};

class MBAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(MBAnswers, FromButtonsCloseBoxAndKeys) {
    const AnswerCase& c = GetParam();
    MB box;
    whenShown(c.action);
    EXPECT_EQ(box.MsgBox(args(c.button)), c.expected);
}

const AnswerCase kAnswerCases[] = {
    {"ClickNo", kYesNo, [](MB* b) { QTest::mouseClick(b->button(1), Qt::LeftButton); }, 1},
    {"ClickCancel", kYesNoCancel, [](MB* b) { QTest::mouseClick(b->button(2), Qt::LeftButton); },
     2},
    {"CloseBoxOnOK", kOkOnly, [](MB* b) { b->close(); }, 0},
    {"CloseBoxOnYesNo", kYesNo, [](MB* b) { b->close(); }, 1},
    {"CloseBoxOnYesNoCancel", kYesNoCancel, [](MB* b) { b->close(); }, 2},
    {"EnterPressesTheFocusedFirstButton", kYesNoCancel,
     [](MB* b) { QTest::keyClick(b->focusWidget(), Qt::Key_Return); }, 0},
    {"TabThenSpacePressesNo", kYesNoCancel,
     [](MB* b) {
         QTest::keyClick(b->focusWidget(), Qt::Key_Tab);
         QTest::keyClick(b->focusWidget(), Qt::Key_Space);
     },
     1},
    {"EscapeDoesNothing", kYesNo,
     [](MB* b) {
         QTest::keyClick(b, Qt::Key_Escape);
         EXPECT_TRUE(b->isVisible());
         QTest::mouseClick(b->button(0), Qt::LeftButton);
     },
     0},
};
INSTANTIATE_TEST_SUITE_P(Cases, MBAnswers, ::testing::ValuesIn(kAnswerCases),
                         zerva::test::RowName());

} // namespace

TEST(MB, TimedBoxReturnsAtOnceAndClosesItself) {
    QtMessenger messenger(QStringLiteral("program"));
    MsgBoxArgs a = args(kOkOnly, QStringLiteral("عمل تبديل با موفقيت انجام شد."));
    a.intervalTime = 200;
    EXPECT_EQ(messenger.MsgBox(a), 0);
    QPointer<MB> timed = messenger.timedBox();
    ASSERT_TRUE(timed);
    EXPECT_TRUE(timed->isVisible());
    EXPECT_FALSE(timed->isModal());
    EXPECT_TRUE(zerva::test::waitUntil([&] { return timed.isNull(); }));

    // The next call waits again.
    whenShown([](MB* b) { QTest::mouseClick(b->button(0), Qt::LeftButton); });
    EXPECT_EQ(messenger.MsgBox(args(kYesNo)), 0);
}

TEST(MB, ABoxWithoutATitleShowsTheProgramsName) {
    // A box whose call gives no title would otherwise show the program's English file name.
    const QString name = QStringLiteral("مبدل پرونده");
    MB box(nullptr, name);
    MsgBoxArgs a = args(kOkOnly);
    a.title.clear();
    box.configure(a);
    EXPECT_EQ(box.windowTitle(), name);
    a.title = errorTitle();
    box.configure(a);
    EXPECT_EQ(box.windowTitle(), errorTitle());

    QtMessenger messenger(name);
    a.title.clear();
    a.intervalTime = 50;
    messenger.MsgBox(a);
    QPointer<MB> timed = messenger.timedBox();
    ASSERT_TRUE(timed);
    EXPECT_EQ(timed->windowTitle(), name);
    EXPECT_TRUE(zerva::test::waitUntil([&] { return timed.isNull(); }));
}
