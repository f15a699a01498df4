// frmMain and frmEditKey driven as a user would: clicks, synthetic drag and drop events, key
// presses, the popup menu and the key edit dialog, on the standard layout.
#include "keyboard/surface_rules.h"
#include "keyboard/ui/frm_edit_key.h"
#include "keyboard/ui/frm_main.h"

#include "frm_main_fixture.h"
#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "tests/support/fake_messenger.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace zerva::keyboard;
using zerva::common::cp1256Char;
using zerva::keyboard::test::ch;
using zerva::test::FakeMessenger;

namespace {

class FrmMainTest : public zerva::keyboard::test::FrmMainFixture {
protected:
    void SetUp() override { showWindow(false); }

    QWidget* focused() {
        QWidget* f = QApplication::focusWidget();
        return f != nullptr ? f : w->BtnKey(0);
    }

    // A drag from source over target: enter, one move, then a drop or a leave.
    bool enter(DragRef source, QWidget* target) {
        m_data.reset(w->makeDragData(source));
        QDragEnterEvent e(QPoint(5, 5), Qt::MoveAction, m_data.get(), Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &e);
        return e.isAccepted();
    }
    void move(QWidget* target, QPoint at = QPoint(9, 9)) {
        QDragMoveEvent e(at, Qt::MoveAction, m_data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    void leave(QWidget* target) {
        QDragLeaveEvent e;
        QApplication::sendEvent(target, &e);
    }
    bool drop(QWidget* target) {
        QDropEvent e(QPointF(9, 9), Qt::MoveAction, m_data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
        return e.isAccepted();
    }
    void dragAndDrop(DragRef source, QWidget* target) {
        enter(source, target);
        move(target);
        drop(target);
    }

    // One key press and release with a native scan code, as the X11 platform delivers them.
    void pressNative(QWidget* target, QEvent::Type type, int qtKey, quint32 scanCode,
                     Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(type, qtKey, mods, scanCode, 0, 0);
        QApplication::sendEvent(target, &e);
    }

    std::unique_ptr<QMimeData> m_data;
};

const DragRef kKey0{SurfaceItem::Key, 0}; // پ, entry 6
const DragRef kKey1{SurfaceItem::Key, 1}; // "1", entry 87

} // namespace

TEST_F(FrmMainTest, ControlsStandWhereTheKeyboardHasThemUnmirrored) {
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("BtnKey_13")), w->BtnKey(13));
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("BtnInsKey_5")), w->BtnInsKey(5));
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("cmdKey_1")), w->cmdKey(1));
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("TglBtnKeyShift_1")), w->TglBtnKeyShift(1));
    // The whole application is right to left, yet the backquote key is at the left.
    EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w->BtnKey(0)->geometry(), QRect(16, 8, 39, 31));
    EXPECT_LT(w->BtnKey(13)->x(), w->BtnKey(14)->x());
    EXPECT_EQ(w->BtnKey(25)->width(), 50);
    EXPECT_EQ(w->BtnKey(47)->geometry(), QRect(184, 136, 223, 31));
    EXPECT_EQ(w->cmdKey(4)->geometry(), QRect(512, 72, 82, 31));
    EXPECT_LT(w->BtnInsKey(0)->x(), w->BtnInsKey(1)->x());
    EXPECT_FALSE(w->BtnInsKey(kEmptyEntry)->isVisibleTo(w.get()));
    EXPECT_FALSE(w->BtnKey(13)->accessibleName().isEmpty());
    EXPECT_EQ(w->cmdKey(1)->accessibleName(), QStringLiteral("BackSp"));

    // View mode: no palette, short window; edit mode shows the palette in a taller window.
    EXPECT_FALSE(w->paletteArea()->isVisible());
    const int viewHeight = w->height();
    w->setEditMode(true);
    EXPECT_TRUE(w->BtnInsKey(0)->isVisible());
    EXPECT_EQ(w->height() - viewHeight, (5835 - 3405) / 15);
    EXPECT_EQ(w->width(), 9120 / 15);
}

TEST_F(FrmMainTest, CaptionsFitTheirButtonsAndLoneMarksStandOnACircle) {
    w->setEditMode(true);
    // Every caption, palette and keys in both planes, lies inside its button with room to
    // spare on either side.
    const auto fits = [](SurfaceButton* b) {
        const int text = QFontMetrics(b->captionFont()).horizontalAdvance(b->shownText());
        return text + 2 * 3 <= b->width();
    };
    for (int e = 0; e < kEmptyEntry; ++e) {
        SurfaceButton* b = w->BtnInsKey(e);
        EXPECT_TRUE(fits(b)) << "entry " << e << " " << b->caption().toStdString();
    }
    for (bool shift : {false, true}) {
        w->setShiftPlaneShown(shift);
        for (int k = 0; k < kKeyCount; ++k) {
            EXPECT_TRUE(fits(w->BtnKey(k))) << "key " << k << (shift ? " shifted" : "");
        }
    }
    w->setShiftPlaneShown(false);
    // Short captions keep the buttons' own size.
    EXPECT_EQ(w->BtnInsKey(0)->captionFont().pointSizeF(), w->BtnInsKey(0)->font().pointSizeF());
    EXPECT_LT(w->BtnInsKey(101)->captionFont().pointSizeF(),
              w->BtnInsKey(101)->font().pointSizeF());

    // A fatha, on its entry and on a key, stands on a dotted circle.
    const QString fatha = ch(243);
    EXPECT_EQ(w->BtnInsKey(42)->shownText(), QChar(0x25CC) + fatha);
    model().ClearKey(5);
    w->SetKey(5, 42);
    EXPECT_EQ(w->BtnKey(5)->caption(), fatha);
    EXPECT_EQ(w->BtnKey(5)->shownText(), QChar(0x25CC) + fatha);
}

TEST_F(FrmMainTest, TheLinesAboveThePaletteShowOnlyWithIt) {
    // In view mode they would run along the window's bottom edge.
    for (int i = 0; i < 2; ++i) {
        auto* line = w->findChild<QWidget*>(QStringLiteral("Line1_%1").arg(i));
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->isVisible());
        w->setEditMode(true);
        EXPECT_TRUE(line->isVisible());
        EXPECT_LT(line->geometry().bottom(), w->paletteArea()->geometry().top());
        w->setEditMode(false);
    }
}

TEST_F(FrmMainTest, ClickOnFreeEntryPlacesItOnTheEmptyCurrentKeyAndMovesOn) {
    w->setEditMode(true);
    model().ClearKey(5); // "5", entry 91, free again
    model().ClearKey(9); // "9", entry 95
    w->focusKey(5);
    EXPECT_EQ(w->BtnInsKey(91)->background(), frmMain::freeEntryColour());

    QTest::mouseClick(w->BtnInsKey(95), Qt::LeftButton);
    EXPECT_EQ(model().entryOnKey(5), 95);
    EXPECT_EQ(w->BtnKey(5)->caption(), QStringLiteral("9"));
    EXPECT_EQ(w->CurKey(), 9);
    EXPECT_EQ(w->BtnKey(9)->background(), frmMain::focusColour());
    EXPECT_EQ(w->BtnKey(5)->background(), w->windowColour());
    EXPECT_EQ(w->BtnInsKey(95)->background(), w->windowColour());
    EXPECT_TRUE(msg.prompts().isEmpty());

    // Insert on a focused entry does the same.
    w->BtnInsKey(91)->setFocus();
    QTest::keyClick(w->BtnInsKey(91), Qt::Key_Insert);
    EXPECT_EQ(model().entryOnKey(9), 91);
}

TEST_F(FrmMainTest, ClicksThatPlaceNothingSayWhy) {
    w->setEditMode(true);
    model().ClearKey(5); // entry 91 free; the current key 0 holds a character
    const auto before = model().keyMapArray();

    QTest::mouseClick(w->BtnInsKey(91), Qt::LeftButton);
    ASSERT_EQ(msg.prompts(),
              QStringList{QStringLiteral("لطفاً يك مكان خالي براي درج كليد انتخاب كنيد.")});
    EXPECT_EQ(msg.boxes()[0].title, QString());

    msg.clear();
    QTest::mouseClick(w->BtnInsKey(21), Qt::LeftButton); // ض is on key 13
    ASSERT_EQ(msg.boxes().size(), 1u);
    EXPECT_EQ(
        msg.boxes()[0].prompt,
        QStringLiteral("اين كليد در بخش بالايي موجود است،") + QChar(10) +
            QStringLiteral(
                "در صورت تمايل به درج مجدد از گزينهي ويرايش كليد بر روي محل درج استفاده نمائيد."));
    EXPECT_EQ(msg.boxes()[0].title, QStringLiteral("توجه!"));
    EXPECT_EQ(msg.boxes()[0].button, 6);
    EXPECT_EQ(model().keyMapArray(), before);

    // A press that moves far enough is a drag, not a click (offscreen the drag ends at once).
    msg.clear();
    QTest::mousePress(w->BtnInsKey(91), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(w->BtnInsKey(91), QPoint(20, 20));
    QTest::mouseRelease(w->BtnInsKey(91), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(msg.prompts().isEmpty());
    EXPECT_EQ(model().keyMapArray(), before);
}

TEST_F(FrmMainTest, DropOfEntryOnKeyReplacesItsCharacterWithHighlightWhileOver) {
    w->setEditMode(true);
    model().ClearKey(5); // entry 91 free
    model().ClearKey(9);
    const QColor before = w->BtnKey(0)->background();

    ASSERT_TRUE(enter({SurfaceItem::PaletteEntry, 91}, w->BtnKey(0)));
    EXPECT_EQ(w->BtnKey(0)->background(), frmMain::dragHighlightColour());
    leave(w->BtnKey(0));
    EXPECT_EQ(w->BtnKey(0)->background(), before);

    dragAndDrop({SurfaceItem::PaletteEntry, 91}, w->BtnKey(0));
    EXPECT_EQ(model().entryOnKey(0), 91);
    EXPECT_EQ(w->BtnKey(0)->caption(), QStringLiteral("5"));
    EXPECT_EQ(w->BtnInsKey(6)->background(), frmMain::freeEntryColour()); // پ is free again
    EXPECT_EQ(w->BtnInsKey(91)->background(), w->windowColour());
    EXPECT_EQ(w->CurKey(), 5); // the next empty key
    EXPECT_TRUE(model().LayoutChanged());
    EXPECT_TRUE(msg.prompts().isEmpty());

    // A used entry, or one from another window, is not accepted anywhere.
    EXPECT_FALSE(enter({SurfaceItem::PaletteEntry, 21}, w->BtnKey(5)));
    frmMain other(msg);
    m_data.reset(other.makeDragData({SurfaceItem::PaletteEntry, 6}));
    QDragEnterEvent foreign(QPoint(5, 5), Qt::MoveAction, m_data.get(), Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(w->BtnKey(5), &foreign);
    EXPECT_FALSE(foreign.isAccepted());
}

TEST_F(FrmMainTest, KeyDropsSwapMoveOrEmptyAndDoNothingInViewMode) {
    // View mode: a key dragged onto another changes nothing and is not highlighted.
    EXPECT_FALSE(enter(kKey0, w->BtnKey(1)));
    drop(w->BtnKey(1));
    EXPECT_EQ(model().entryOnKey(0), 6);
    EXPECT_FALSE(model().LayoutChanged());

    w->setEditMode(true);
    dragAndDrop(kKey0, w->BtnKey(1));
    EXPECT_EQ(model().entryOnKey(0), 87);
    EXPECT_EQ(model().entryOnKey(1), 6);
    EXPECT_EQ(w->BtnKey(1)->caption(), ch(129));
    EXPECT_EQ(w->CurKey(), 1);

    model().ClearKey(2);
    dragAndDrop(kKey1, w->BtnKey(2));
    EXPECT_EQ(model().entryOnKey(1), kEmptyEntry);
    EXPECT_EQ(w->BtnKey(1)->caption(), QString());
    EXPECT_EQ(model().entryOnKey(2), 6);
    // An empty key cannot be dragged any more.
    EXPECT_FALSE(enter(kKey1, w->BtnKey(3)));

    // A key dropped on the palette is emptied; its character is free again.
    dragAndDrop({SurfaceItem::Key, 2}, w->BtnInsKey(40));
    EXPECT_EQ(model().entryOnKey(2), kEmptyEntry);
    EXPECT_EQ(w->BtnInsKey(6)->background(), frmMain::freeEntryColour());

    // An entry dropped where it was picked up without moving counts as a click.
    w->focusKey(1);
    ASSERT_TRUE(enter({SurfaceItem::PaletteEntry, 6}, w->BtnInsKey(6)));
    drop(w->BtnInsKey(6));
    EXPECT_EQ(model().entryOnKey(1), 6);
    // ... but not once the pointer moved over it.
    w->focusKey(2);
    enter({SurfaceItem::PaletteEntry, 88}, w->BtnInsKey(88));
    move(w->BtnInsKey(88), QPoint(12, 12));
    drop(w->BtnInsKey(88));
    EXPECT_EQ(model().entryOnKey(2), kEmptyEntry);
}

TEST_F(FrmMainTest, PlaneSwitchMirrorsTogglesRedrawsAndKeepsLayoutChanged) {
    for (const bool changedBefore : {false, true}) {
        SCOPED_TRACE(changedBefore);
        model().setLayoutChanged(changedBefore);
        w->TglBtnKeyShift(1)->click();
        EXPECT_TRUE(w->TglBtnKeyShift(0)->isChecked());
        EXPECT_TRUE(model().shiftPlaneShown());
        EXPECT_EQ(w->BtnKey(30)->caption(), QStringLiteral("لا"));
        EXPECT_EQ(w->BtnKey(1)->caption(), QStringLiteral("!"));
        EXPECT_TRUE(w->BtnInsKey(kLamAlefEntry)->isEnabled());
        EXPECT_EQ(model().LayoutChanged(), changedBefore);

        w->TglBtnKeyShift(0)->click();
        EXPECT_FALSE(w->TglBtnKeyShift(1)->isChecked());
        EXPECT_EQ(w->BtnKey(1)->caption(), QStringLiteral("1"));
        EXPECT_FALSE(w->BtnInsKey(kLamAlefEntry)->isEnabled());
        EXPECT_EQ(model().LayoutChanged(), changedBefore);
    }
}

TEST_F(FrmMainTest, LongNamedSpacesSwapCaptionAndTipExceptOnTheSpaceBar) {
    // The standard shift plane has the joiner (100) on P and the non-joiner (99) on space.
    w->setShiftPlaneShown(true);
    EXPECT_EQ(w->BtnKey(22)->caption(), QStringLiteral("VC"));
    EXPECT_EQ(w->BtnKey(22)->toolTip(), model().entry(100).caption);
    EXPECT_EQ(w->BtnKey(47)->caption(), model().entry(99).caption);
    EXPECT_EQ(w->BtnKey(47)->toolTip(), QStringLiteral("VS"));
    w->setShiftPlaneShown(false);
    model().ClearKey(5);
    w->SetKey(5, 101);
    EXPECT_EQ(w->BtnKey(5)->caption(), QStringLiteral("NBSP"));
    EXPECT_EQ(w->BtnKey(5)->toolTip(), model().entry(101).caption);
}

TEST_F(FrmMainTest, DeleteEmptiesTheFocusedKeyOnlyWhenItHoldsSomething) {
    QTest::keyClick(w->BtnKey(0), Qt::Key_Delete);
    EXPECT_EQ(model().entryOnKey(0), kEmptyEntry);
    EXPECT_TRUE(model().LayoutChanged());
    model().setLayoutChanged(false);
    QTest::keyClick(w->BtnKey(0), Qt::Key_Delete);
    EXPECT_FALSE(model().LayoutChanged());
}

TEST_F(FrmMainTest, RemovingARuntimeEntryRenumbersWhatTheKeysShow) {
    const QString texts[] = {QStringLiteral("q"), QStringLiteral("w"), QStringLiteral("e")};
    const int keys[] = {3, 4, 5};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(applyEditedKey(model(), keys[i], texts[i]), EditApplyOutcome::Placed);
    }
    const int first = model().entryOnKey(3);
    w->focusKey(3);
    QTest::keyClick(w->BtnKey(3), Qt::Key_Delete);
    EXPECT_EQ(model().entryOnKey(4), first);
    EXPECT_EQ(model().entryOnKey(5), first + 1);
    EXPECT_EQ(model().paletteSize(), first + 2);
    EXPECT_EQ(w->BtnKey(4)->caption(), QStringLiteral("w"));
    EXPECT_EQ(w->BtnKey(5)->caption(), QStringLiteral("e"));
    EXPECT_EQ(w->BtnKey(5)->toolTip(), model().entry(first + 1).tip);
}

TEST_F(FrmMainTest, EditDialogRefusesWithItsFourMessagesInOrder) {
    w->setEditMode(true);
    w->focusKey(13); // ض
    struct Step {
        bool shift;
        QString text;
        QString message;
    };
    const Step steps[] = {
        {false, ch(214), QStringLiteral("كليد ويرايش نشده است.")},
        {false, QString(), QStringLiteral("كليد خالي است.")},
        {false, QStringLiteral("لا"), QStringLiteral("كليد يك حرفي قابل قبول است.")},
        {true, QStringLiteral("abc"), QStringLiteral("كليد يك يا دو حرفي قابل قبول است.")},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.message.toStdString());
        msg.clear();
        w->setShiftPlaneShown(s.shift);
        bool stillOpen = false;
        w->setEditDialogRunner([&](frmEditKey& d) {
            if (s.text != d.Text1()->text()) {
                d.Text1()->setText(s.text);
            }
            d.cmdOk()->click();
            stillOpen = d.result() != QDialog::Accepted;
        });
        const auto before = model().keyMapArray();
        w->EditKeyCommand();
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(msg.prompts(), QStringList{s.message});
        EXPECT_EQ(model().keyMapArray(), before);
    }
}

TEST_F(FrmMainTest, EditDialogTakesPersianYehWithANotice) {
    w->setEditMode(true);
    w->focusKey(3);
    w->setEditDialogRunner([](frmEditKey& d) {
        d.Text1()->setText(QString(QChar(0x06CC)));
        d.cmdOk()->click();
    });
    w->EditKeyCommand();
    EXPECT_EQ(model().entryOnKey(3), 37);
    EXPECT_EQ(w->BtnKey(3)->caption(), ch(237));
    ASSERT_EQ(msg.prompts().size(), 1);
    EXPECT_EQ(msg.prompts().front(), foldedLettersNotice());
    EXPECT_EQ(msg.boxes().front().title, QStringLiteral("توجه!"));
    EXPECT_FALSE(foldedLettersNotice().contains(QLatin1Char('\n')));
}

TEST_F(FrmMainTest, EditDialogPlacesWhatWasTyped) {
    w->setEditMode(true);
    auto typeAndOk = [&](const QString& text) {
        w->setEditDialogRunner([text](frmEditKey& d) {
            d.Text1()->setText(text);
            d.cmdOk()->click();
        });
        w->EditKeyCommand();
    };
    // A character already on another key: both keys hold the entry, which stays used.
    w->focusKey(3);
    typeAndOk(ch(214));
    EXPECT_EQ(model().entryOnKey(3), 21);
    EXPECT_EQ(model().entryOnKey(13), 21);
    EXPECT_EQ(w->BtnKey(3)->caption(), ch(214));
    EXPECT_EQ(w->BtnInsKey(89)->background(), frmMain::freeEntryColour()); // "3" let go
    QTest::keyClick(w->BtnKey(3), Qt::Key_Delete);
    EXPECT_EQ(w->BtnInsKey(21)->background(), w->windowColour()); // key 13 still holds it

    // Shift plane: lam-alef and a new pair of characters.
    w->setShiftPlaneShown(true);
    w->focusKey(5);
    typeAndOk(QStringLiteral("لا"));
    EXPECT_EQ(model().entryOnKey(5), kLamAlefEntry);
    const QString pair = ch(199) + ch(243);
    const int runtime = model().paletteSize();
    w->focusKey(6);
    typeAndOk(pair);
    EXPECT_EQ(model().entryOnKey(6), runtime);
    EXPECT_EQ(w->BtnKey(6)->caption(), pair);
    EXPECT_EQ(model().extraCharsItems().last(), pair);

    // The next dialog lists the pair after lam-alef, and opens with the key's text.
    QStringList listed;
    QString opened;
    w->setEditDialogRunner([&](frmEditKey& d) {
        for (int i = 0; i < d.Combo1()->count(); ++i) {
            listed << d.Combo1()->itemText(i);
        }
        opened = d.Text1()->text();
        d.cmdCancel()->click();
    });
    w->EditKeyCommand();
    EXPECT_EQ(listed.first(), QStringLiteral("لا"));
    EXPECT_EQ(listed.last(), pair);
    EXPECT_EQ(opened, pair);
    EXPECT_EQ(model().entryOnKey(6), runtime); // Cancel left the key alone
    EXPECT_TRUE(msg.prompts().isEmpty());
}

TEST_F(FrmMainTest, EditDialogStaysInsideTheWindowAndItsCloseBoxCancels) {
    w->setEditMode(true);
    w->focusKey(25); // the key at the right edge
    QRect placed;
    w->setEditDialogRunner([&](frmEditKey& d) { placed = d.frameGeometry(); });
    w->EditKeyCommand();
    const QRect frame = w->frameGeometry();
    EXPECT_EQ(placed.x() + placed.width(), frame.x() + frame.width());
    EXPECT_GT(placed.y(), w->BtnKey(25)->mapToGlobal(QPoint(0, 0)).y());

    // The real modal dialog, closed through its close box.
    w->setEditDialogRunner([](frmEditKey& d) { d.exec(); });
    w->focusKey(13);
    bool closed = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<frmEditKey*>(QApplication::activeModalWidget())) {
            d->Text1()->setText(QStringLiteral("q"));
            closed = d->close();
        }
    });
    timer.start();
    w->EditKeyCommand();
    timer.stop();
    EXPECT_TRUE(closed);
    EXPECT_EQ(model().entryOnKey(13), 21);
    EXPECT_TRUE(msg.prompts().isEmpty());
}

TEST_F(FrmMainTest, PopupMenuOnlyInEditMode) {
    QTest::mouseClick(w->BtnKey(7), Qt::RightButton);
    EXPECT_FALSE(w->btnRight()->isVisible());
    EXPECT_EQ(w->CurKey(), 0);

    w->setEditMode(true);
    QTest::mouseClick(w->BtnKey(7), Qt::RightButton);
    EXPECT_TRUE(w->btnRight()->isVisible());
    EXPECT_EQ(w->CurKey(), 7);
    const auto actions = w->btnRight()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("          حذف"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("ويرايش كليد"));
    w->btnRight()->hide();
    actions[0]->trigger();
    EXPECT_EQ(model().entryOnKey(7), kEmptyEntry);
}

TEST_F(FrmMainTest, PhysicalKeysSelectKeysAndShiftShowsTheShiftPlane) {
    // Q selects key 13 by its position even when the active layout types an Arabic letter.
    pressNative(focused(), QEvent::KeyPress, 0x636, 24);
    EXPECT_EQ(w->CurKey(), 13);
    pressNative(focused(), QEvent::KeyRelease, 0x636, 24);
    // Without a scan code the key code decides.
    QTest::keyClick(focused(), Qt::Key_A);
    EXPECT_EQ(w->CurKey(), 26);

    // Shift held: shift plane; Shift+Q selects key 13 in it; releasing shows the base plane.
    QTest::keyPress(focused(), Qt::Key_Shift, Qt::NoModifier);
    EXPECT_TRUE(model().shiftPlaneShown());
    QTest::keyPress(focused(), Qt::Key_Q, Qt::ShiftModifier);
    EXPECT_EQ(w->CurKey(), 13);
    EXPECT_TRUE(model().shiftPlaneShown());
    EXPECT_TRUE(w->TglBtnKeyShift(1)->isChecked());
    QTest::keyRelease(focused(), Qt::Key_Q, Qt::ShiftModifier);
    QTest::keyRelease(focused(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_FALSE(model().shiftPlaneShown());

    // Ctrl+A: key 26, base plane.
    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w->CurKey(), 26);
    EXPECT_FALSE(model().shiftPlaneShown());

    // A toggle latched with the mouse: A does not move the focus; its release lets go.
    w->TglBtnKeyShift(0)->click();
    QTest::keyPress(focused(), Qt::Key_W);
    EXPECT_EQ(w->CurKey(), 26);
    EXPECT_TRUE(model().shiftPlaneShown());
    QTest::keyRelease(focused(), Qt::Key_W);
    EXPECT_FALSE(model().shiftPlaneShown());
    EXPECT_FALSE(w->TglBtnKeyShift(1)->isChecked());

    // Space neither moves nor shifts; F1 asks for help.
    QSignalSpy help(w.get(), &frmMain::helpRequested);
    w->focusKey(4);
    QTest::keyClick(focused(), Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(w->CurKey(), 4);
    QTest::keyClick(focused(), Qt::Key_F1);
    EXPECT_EQ(help.size(), 1);
}

TEST_F(FrmMainTest, ShiftDeleteClearsTheShiftPlaneSlotAndLettersLeaveThePalette) {
    w->setEditMode(true);
    w->focusKey(1);
    QTest::keyClick(w->BtnKey(1), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(model().KeyMap(48 + 1), kEmptyEntry); // "!" cleared
    EXPECT_EQ(model().KeyMap(1), 87);               // "1" kept

    w->BtnInsKey(10)->setFocus();
    QTest::keyClick(w->BtnInsKey(10), Qt::Key_P);
    EXPECT_EQ(w->CurKey(), 22);
}
