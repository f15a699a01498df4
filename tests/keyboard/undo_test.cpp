// Undo and redo in the main window: every kind of change to the keys, the way back to the
// state last read or saved, the history cleared by reading; the File menu's added items
// (undo, redo, the exports and the print preview).
#include "keyboard/commands.h"
#include "keyboard/layout_edit.h"
#include "keyboard/ui/command_wiring.h"
#include "keyboard/ui/file_menu_extras.h"
#include "keyboard/ui/frm_edit_key.h"
#include "keyboard/ui/frm_main.h"

#include "frm_main_fixture.h"
#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "common/settings_store.h"
#include "tests/support/fake_keyboard_services.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_paths.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace zerva;
using namespace zerva::keyboard;
using zerva::common::cp1256Char;
using zerva::keyboard::test::ch;
using zerva::test::FakeMessenger;

namespace {

class UndoTest : public zerva::keyboard::test::FrmMainFixture {
public:
    void SetUp() override { showWindow(true); }

    QUndoStack& stack() { return w->undoHistory().stack(); }

    void dragAndDrop(DragRef source, QWidget* target) {
        std::unique_ptr<QMimeData> data(w->makeDragData(source));
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(QPoint(9, 9), Qt::MoveAction, data.get(), Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(QPointF(9, 9), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    void typeIntoKey(int key, const QString& text) {
        w->focusKey(key);
        w->setEditDialogRunner([text](frmEditKey& d) {
            d.Text1()->setText(text);
            d.cmdOk()->click();
        });
        w->EditKeyCommand();
    }

    // Every key of the plane shown draws what the model holds.
    void expectKeysDrawn() {
        for (int k = 0; k < kKeyCount; ++k) {
            ASSERT_EQ(w->BtnKey(k)->caption(), model().keyCaption(k)) << "key " << k;
        }
        for (int e = 0; e < kFixedEntryCount; ++e) {
            const QColor want =
                model().isEntryUsed(e) ? w->windowColour() : frmMain::freeEntryColour();
            ASSERT_EQ(w->BtnInsKey(e)->background(), want) << "entry " << e;
        }
    }
};

struct ChangeCase {
    const char* name;
    std::function<void(UndoTest&)> setup; // the layout as read, before the change
    std::function<void(UndoTest&)> change;
};

void noSetup(UndoTest&) {}

class UndoEachChange : public UndoTest, public ::testing::WithParamInterface<ChangeCase> {};

} // namespace

TEST_P(UndoEachChange, UndoRestoresTheSavedStateAndRedoTheChange) {
    GetParam().setup(*this);
    model().setLayoutChanged(false);
    const LayoutSnapshot saved = model().snapshot();
    const bool shift = model().shiftPlaneShown();
    GetParam().change(*this);
    const LayoutSnapshot changed = model().snapshot();
    ASSERT_NE(changed, saved) << "the change did nothing";
    ASSERT_TRUE(model().LayoutChanged());
    ASSERT_EQ(stack().count(), 1) << "one user action is one step";

    stack().undo();
    EXPECT_EQ(model().snapshot(), saved);
    EXPECT_FALSE(model().LayoutChanged()) << "back to the state last read";
    EXPECT_EQ(model().shiftPlaneShown(), shift);
    expectKeysDrawn();

    stack().redo();
    EXPECT_EQ(model().snapshot(), changed);
    EXPECT_TRUE(model().LayoutChanged());
    expectKeysDrawn();
}

INSTANTIATE_TEST_SUITE_P(
    Changes, UndoEachChange,
    ::testing::Values(
        ChangeCase{"PlaceFromThePalette", [](UndoTest& t) { t.model().ClearKey(7); },
                   [](UndoTest& t) {
                       t.w->focusKey(7);
                       t.w->BtnInsKey(54)->click(); // "%" onto the empty key
                   }},
        ChangeCase{"EmptyWithDelete", noSetup,
                   [](UndoTest& t) {
                       t.w->focusKey(13);
                       QTest::keyClick(t.w->BtnKey(13), Qt::Key_Delete);
                   }},
        ChangeCase{"DropEntryOnAFullKey", noSetup,
                   [](UndoTest& t) {
                       t.dragAndDrop({SurfaceItem::PaletteEntry, 54}, t.w->BtnKey(13));
                   }},
        ChangeCase{"SwapTwoKeys", noSetup,
                   [](UndoTest& t) {
                       t.dragAndDrop({SurfaceItem::Key, 0}, t.w->BtnKey(1));
                   }},
        ChangeCase{"MoveOntoAnEmptyKey", [](UndoTest& t) { t.model().ClearKey(2); },
                   [](UndoTest& t) {
                       t.dragAndDrop({SurfaceItem::Key, 0}, t.w->BtnKey(2));
                   }},
        ChangeCase{"KeyOntoThePalette", noSetup,
                   [](UndoTest& t) {
                       t.dragAndDrop({SurfaceItem::Key, 0}, t.w->BtnInsKey(6));
                   }},
        ChangeCase{"EditDialogAddsARuntimeEntry",
                   [](UndoTest& t) { t.w->setShiftPlaneShown(true); },
                   [](UndoTest& t) {
                       t.typeIntoKey(5, ch(225) + ch(194)); // lam, alef madda
                   }},
        ChangeCase{"ClearingARuntimeEntryRenumbersTheOthers",
                   [](UndoTest& t) {
                       // Key 2's "اً" is entry 104; two more after it, then 104 goes.
                       t.w->setShiftPlaneShown(true);
                       t.model().SetKey(6, t.model().AddPaletteEntry(QByteArray("\xE1\xC3")));
                       t.model().SetKey(7, t.model().AddPaletteEntry(QByteArray("\xE1\xC5")));
                   },
                   [](UndoTest& t) {
                       t.w->ClearKey(2);
                       ASSERT_EQ(t.model().KeyMap(kShiftPlaneBase + 6), 104);
                   }}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST_F(UndoTest, UndoShowsThePlaneOfTheChangeAndRunsBackThroughSeveralSteps) {
    const LayoutSnapshot saved = model().snapshot();
    w->setShiftPlaneShown(true);
    w->ClearKey(30); // "لا" off G
    w->setShiftPlaneShown(false);
    w->ClearKey(0);
    typeIntoKey(0, QStringLiteral("q"));
    ASSERT_EQ(stack().count(), 3);
    EXPECT_EQ(w->BtnKey(0)->caption(), QStringLiteral("q"));

    stack().undo(); // the dialog's text
    EXPECT_EQ(model().entryOnKey(0), kEmptyEntry);
    EXPECT_EQ(model().paletteSize(), kFixedEntryCount + 1); // the run-time "q" is gone
    stack().undo();                                         // the Delete
    EXPECT_EQ(w->BtnKey(0)->caption(), ch(129));
    EXPECT_TRUE(model().LayoutChanged());
    stack().undo(); // the shift-plane change: that plane comes back into view
    EXPECT_TRUE(model().shiftPlaneShown());
    EXPECT_TRUE(w->TglBtnKeyShift(1)->isChecked());
    EXPECT_EQ(w->BtnKey(30)->caption(), QStringLiteral("لا"));
    EXPECT_EQ(model().snapshot(), saved);
    EXPECT_FALSE(model().LayoutChanged());

    // A new change after undoing drops the steps that could have been redone.
    w->ClearKey(1);
    EXPECT_FALSE(stack().canRedo());
    EXPECT_EQ(stack().count(), 1);
}

TEST_F(UndoTest, SavingMovesTheCleanStateAndReadingClearsTheHistory) {
    w->ClearKey(0);
    w->ClearKey(1);
    model().setLayoutChanged(false); // what saving does
    stack().undo();
    EXPECT_TRUE(model().LayoutChanged()) << "undoing past a save is a change again";
    stack().redo();
    EXPECT_FALSE(model().LayoutChanged()) << "redone to the saved state";
    stack().undo();
    stack().undo();
    EXPECT_TRUE(model().LayoutChanged()) << "the state read before is not the saved one";

    ASSERT_EQ(readLayoutBytes(model(), standardLayoutImage(), msg), ReadOutcome::Read);
    model().setLayoutChanged(false);
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(stack().canUndo());

    // Actions that change nothing are no steps.
    w->focusKey(0);
    w->BtnInsKey(0)->click(); // a used entry: only the notice
    w->setShiftPlaneShown(true);
    w->setShiftPlaneShown(false);
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(model().LayoutChanged());
}

TEST(LayoutSnapshot, RestoreRefusesAnImpossibleLayout) {
    LayoutModel model;
    ASSERT_TRUE(model.replaceLayout(decodeLayoutFile(standardLayoutImage()).planes));
    const LayoutSnapshot good = model.snapshot();
    LayoutSnapshot bad = good;
    bad.keyMap[3] = static_cast<qint16>(kFixedEntryCount + 5); // no such run-time entry
    EXPECT_FALSE(model.restore(bad));
    bad = good;
    bad.runtimeTexts.push_back(QByteArray());
    EXPECT_FALSE(model.restore(bad));
    EXPECT_EQ(model.snapshot(), good);
}

TEST(UndoMenuItems, InTheFileMenuInEditModeOnlyAndFollowTheHistory) {
    QTemporaryDir dir;
    const QString systemFile = dir.filePath(QStringLiteral("KBDA1.KBD"));
    ASSERT_TRUE(zerva::test::writeFile(systemFile, standardLayoutImage()));
    common::SettingsStore settings{dir.filePath(QStringLiteral("u.reg")),
                                   dir.filePath(QStringLiteral("d.reg"))};
    FakeMessenger msg;
    zerva::test::FakeFileDialogs dialogs;
    zerva::test::FakeLayoutReloader reloader;
    zerva::test::FakeHelpViewer help;
    frmMain w(msg);
    CommandViewFunctions view;
    view.editMode = [&w](bool edit) { w.setEditMode(edit); };
    Commands commands(w.model(), view, {msg, dialogs, reloader, settings, help}, systemFile);
    KeyboardMenuBar* bar = installCommands(w, commands);
    struct NoSystemLayouts : SystemLayouts {
        std::optional<XkbKeyTexts> keyTexts(const SystemLayoutName&) override {
            return std::nullopt;
        }
    } system;
    const FileMenuExtras items = installFileMenuExtras(w, *bar, commands, dialogs, system);
    commands.load();

    const QList<QAction*> file = bar->menu(MenuId::File)->actions();
    const qsizetype at = file.indexOf(items.undo);
    ASSERT_GE(at, 0);
    EXPECT_EQ(file.at(at + 1), items.redo);
    EXPECT_EQ(items.undo->text(), undoCaption());
    EXPECT_EQ(items.undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(items.redo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    EXPECT_FALSE(items.undo->isVisible());

    commands.DirectEdit();
    EXPECT_TRUE(items.undo->isVisible());
    EXPECT_TRUE(items.redo->isVisible());
    EXPECT_FALSE(items.undo->isEnabled());
    w.ClearKey(0);
    EXPECT_TRUE(items.undo->isEnabled());
    EXPECT_FALSE(items.redo->isEnabled());
    items.undo->trigger();
    EXPECT_FALSE(w.model().LayoutChanged());
    EXPECT_TRUE(items.redo->isEnabled());
    items.redo->trigger();
    EXPECT_EQ(w.model().entryOnKey(0), kEmptyEntry);

    // Reading the standard layout starts a new history.
    msg.answer({common::kAnswerNo});
    commands.ChangeToZerva();
    EXPECT_FALSE(items.undo->isEnabled());
    EXPECT_FALSE(items.redo->isEnabled());

    // The exports and printing stand beside saving, in edit mode only.
    const QList<QAction*> withExports = bar->menu(MenuId::File)->actions();
    EXPECT_EQ(withExports.indexOf(items.exportMenu->menuAction()),
              withExports.indexOf(bar->action(MenuId::SaveAsKBL)) + 1);
    EXPECT_EQ(items.exportMenu->actions(), (QList<QAction*>{items.exportKlc, items.exportKeylayout,
                                                            items.exportXkb, items.exportPicture}));
    EXPECT_TRUE(items.print->isVisible());
    EXPECT_EQ(withExports.indexOf(items.import),
              withExports.indexOf(bar->action(MenuId::OpenKBL)) + 1);
    EXPECT_TRUE(items.import->isVisible());
    EXPECT_EQ(items.print->shortcut(), QKeySequence(QKeySequence::Print));
    QString previewClass;
    QTimer::singleShot(0, [&previewClass] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            previewClass = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    items.print->trigger();
    EXPECT_EQ(previewClass, QStringLiteral("QPrintPreviewDialog"));

    w.setEditMode(false);
    commands.DirectEdit();
    EXPECT_FALSE(items.exportMenu->menuAction()->isVisible());
    EXPECT_FALSE(items.print->isVisible());
}
