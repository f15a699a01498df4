// The Cnv window: captions and tooltips, the file list with its pattern and selection
// status, the pop-up menu, the direction rules, the path labels, a run, help and exit.
#include "converter/ui/cnv.h"
#include "converter/ui/folder_list.h"
#include "converter/window_rules.h"
#include "tests/converter/fake_run_window.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/fake_services.h"
#include "tests/support/second_start.h"
#include "tests/support/test_paths.h"

#include "common/settings_store.h"
#include "common/twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace zerva::converter;

namespace {

const QString kNone = QStringLiteral("هيچ پروندهاي انتخاب نشده است.");

class CnvWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zerva::test::writeFile(
            path("tables/ZERVACNV.INI"),
            "[Code pages]\r\ntables=2\r\ntable1=One way\r\ntable2=Two way;1\r\n"));
        ASSERT_TRUE(
            zerva::test::writeFile(path("tables/TABLE1.INI"), "[Convert Table]\r\n65=66\r\n"));
        ASSERT_TRUE(
            zerva::test::writeFile(path("tables/TABLE2.INI"), "[Convert Table]\r\n65=67\r\n"));
        ASSERT_TRUE(zerva::test::writeFile(
            path("defaults.reg"), "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                                  "\"help\"=\"" +
                                      path("zerva.html").toUtf8() + "\"\n"));
        for (const char* name : {"a1.txt", "a2.txt", "a3.TXT", "a4.txt", "b1.rtf", "b2.rtf",
                                 "c1.doc", "c2.DOC", "c3.docx", "c4.Odt", "d1.md", "d2"}) {
            ASSERT_TRUE(zerva::test::writeFile(path("src/") + QString::fromLatin1(name), "A"));
        }
        ASSERT_TRUE(QDir().mkpath(path("dst")));
    }
    QString path(const char* relative) const { return dir.filePath(QString::fromUtf8(relative)); }
    std::unique_ptr<Cnv> makeWindow(const char* tables = "tables") {
        auto w = std::make_unique<Cnv>(path(tables), CnvServices{messenger, word, help, settings});
        w->setDrives({{QStringLiteral("/"), QStringLiteral("/")}});
        return w;
    }
    template <typename T> T* child(Cnv& w, const char* name) {
        T* found = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList listed(Cnv& w) {
        QStringList names;
        auto* files = child<QListWidget>(w, "FileS");
        for (int i = 0; i < files->count(); ++i) {
            names << files->item(i)->text();
        }
        return names;
    }

    QTemporaryDir dir;
    zerva::test::FakeMessenger messenger;
    zerva::test::FakeWordService word;
    zerva::test::FakeHelpViewer help;
    zerva::common::SettingsStore settings{path("user.reg"), path("defaults.reg")};
};

TEST_F(CnvWindow, ControlsCarryTheirCaptionsAndTooltips) {
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("زروا 2001 - مبدل پرونده (2)") + QChar(0x200F));
    EXPECT_EQ(w->layoutDirection(), Qt::RightToLeft);
    const struct {
        const char* name;
        QString text;
        QString tip;
    } controls[] = {
        {"Label1", QStringLiteral("مبدأ :"), {}},
        {"Label2", QStringLiteral("مقصد :"), {}},
        {"Label3", QStringLiteral("پرونده (ها) :"), {}},
        {"Label4", QStringLiteral("قالب پرونده (ها) :"), {}},
        {"Label5", QStringLiteral("جهت تبديل :"), {}},
        {"Label6", QStringLiteral("امكانات ويژه :"), {}},
        {"ChangeToMS", QStringLiteral("تبديل به مايكروسافت ."),
         QStringLiteral(".تبديل از قالب انتخاب شده به مايكروسافت")},
        {"ChangeFromMS", QStringLiteral("تبديل از مايكروسافت ."),
         QStringLiteral(".تبديل از مايكروسافت به قالب انتخاب شده")},
        {"Replace", QStringLiteral("بازنويسي"),
         QStringLiteral(".در صورت وجود پرونده هم نام در مقصد بازنويسي شوند")},
        {"ChangeDir", QStringLiteral("تغيير جهت"),
         QStringLiteral(" تغيير كند.(Text) جهت متن در پروندههاي متن")},
        {"LTRDir", QStringLiteral("لاتين"), QStringLiteral("پروندههاي متن لاتين (چپ به راست)")},
        {"RTLDir", QStringLiteral("فارسي"), QStringLiteral("پروندههاي متن فارسي (راست به چپ)")},
        {"cmdChange", QStringLiteral("تبديل"), {}},
        {"cmdHelp", QStringLiteral("راهنما"), {}},
        {"cmdExit", QStringLiteral("خروج"), {}},
        {"DirS", {}, QStringLiteral(".محل پروندههايي كه بايد تبديل شوند")},
        {"FileS", {}, QStringLiteral(".انتخاب پروندههايي كه بايد تبديل شوند")},
        {"FileFormat", {}, QStringLiteral(".انتخاب كدپيج يا نوع پروندههايي كه بايد تبديل شوند")},
        {"DirD", {}, QStringLiteral(".محل كپي كردن پروندههاي تبديل شده")},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = child<QWidget>(*w, c.name);
        ASSERT_NE(widget, nullptr);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), c.text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), c.text);
        }
        EXPECT_EQ(widget->toolTip(), c.tip);
    }
    auto* formats = child<QComboBox>(*w, "FileFormat");
    ASSERT_EQ(formats->count(), 2);
    EXPECT_EQ(formats->itemText(1), QStringLiteral("Two way"));
    EXPECT_EQ(child<QComboBox>(*w, "Extention")->currentText(),
              QStringLiteral("All regular files(*.txt;*.rtf;*.doc;*.docx;*.odt)"));
}

TEST_F(CnvWindow, FileListFollowsThePatternAndTheSelectionStatusFollowsTheList) {
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    EXPECT_EQ(w->sourceFolder(), path("src"));
    auto* status = child<QLabel>(*w, "StatusBar");
    auto* change = child<QPushButton>(*w, "cmdChange");
    auto* files = child<QListWidget>(*w, "FileS");
    auto* extention = child<QComboBox>(*w, "Extention");
    EXPECT_EQ(status->text(), kNone);
    EXPECT_FALSE(change->isEnabled());
    EXPECT_EQ(listed(*w).size(), 10); // every .txt, .rtf, .doc, .docx and .odt in any case

    const struct {
        int entry;
        QStringList names;
    } patterns[] = {
        {1,
         {QStringLiteral("a1.txt"), QStringLiteral("a2.txt"), QStringLiteral("a3.TXT"),
          QStringLiteral("a4.txt")}},
        {3,
         {QStringLiteral("c1.doc"), QStringLiteral("c2.DOC"), QStringLiteral("c3.docx"),
          QStringLiteral("c4.Odt")}},
        {4,
         {QStringLiteral("a1.txt"), QStringLiteral("a2.txt"), QStringLiteral("a3.TXT"),
          QStringLiteral("a4.txt"), QStringLiteral("b1.rtf"), QStringLiteral("b2.rtf"),
          QStringLiteral("c1.doc"), QStringLiteral("c2.DOC"), QStringLiteral("c3.docx"),
          QStringLiteral("c4.Odt"), QStringLiteral("d1.md"), QStringLiteral("d2")}},
    };
    for (const auto& p : patterns) {
        SCOPED_TRACE(p.entry);
        extention->setCurrentIndex(p.entry);
        w->Extention_Click();
        EXPECT_EQ(listed(*w), p.names);
    }

    // All twelve files listed; three selected.
    for (int i : {0, 4, 9}) {
        files->item(i)->setSelected(true);
    }
    EXPECT_EQ(status->text(), QStringLiteral("3") + QStringLiteral(" پرونده از ") +
                                  QStringLiteral("12") + QStringLiteral(" پرونده انتخاب شده است."));
    EXPECT_TRUE(change->isEnabled());
    w->RevSel_Click();
    EXPECT_EQ(files->selectedItems().size(), 9);
    EXPECT_FALSE(files->item(4)->isSelected());
    w->DeselAll_Click();
    EXPECT_EQ(status->text(), kNone);
    EXPECT_FALSE(change->isEnabled());

    files->setFocus();
    QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(files->selectedItems().size(), 12);

    // The right button's pop-up menu, answered with its "none" entry.
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    bool menuSeen = false;
    QTimer::singleShot(100, [&menuSeen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu && menu->objectName() == QLatin1String("FileMenu")) {
            menuSeen = menu->actions().size() == 3 &&
                       menu->actions()[0]->text() == QStringLiteral("انتخاب همه") &&
                       menu->actions()[2]->text() == QStringLiteral("عكس انتخابها");
            menu->actions()[1]->trigger();
            menu->close();
        }
    });
    QTest::mouseRelease(files->viewport(), Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_TRUE(menuSeen);
    EXPECT_EQ(files->selectedItems().size(), 0);
    EXPECT_EQ(status->text(), kNone);
}

// Answers the file list's pop-up menu, once it is open, with one of its items (or none:
// Escape), and tells whether it was seen.
void answerFileMenu(int item, bool* seen) {
    QTimer::singleShot(100, [item, seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || menu->objectName() != QLatin1String("FileMenu")) {
            return;
        }
        *seen = true;
        if (item >= 0) {
            menu->actions()[item]->trigger();
            menu->close();
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
}

TEST_F(CnvWindow, RightClickOpensTheMenuAndKeepsTheSelection) {
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto* files = child<QListWidget>(*w, "FileS");
    QWidget* view = files->viewport();
    const auto at = [files](int row) { return files->visualItemRect(files->item(row)).center(); };
    const auto selectedRows = [files] {
        std::vector<int> rows;
        for (int i = 0; i < files->count(); ++i) {
            if (files->item(i)->isSelected()) {
                rows.push_back(i);
            }
        }
        return rows;
    };
    QTest::mouseClick(view, Qt::LeftButton, {}, at(1));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, at(3));
    ASSERT_EQ(selectedRows(), (std::vector<int>{1, 3}));

    // A right click on a third file, the menu closed with Escape: nothing changed.
    bool seen = false;
    answerFileMenu(-1, &seen);
    QTest::mouseClick(view, Qt::RightButton, {}, at(5));
    EXPECT_TRUE(seen);
    EXPECT_EQ(selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(files->currentRow(), 3);
    EXPECT_EQ(child<QLabel>(*w, "StatusBar")->text(),
              QStringLiteral("2") + QStringLiteral(" پرونده از ") + QStringLiteral("10") +
                  QStringLiteral(" پرونده انتخاب شده است."));

    // So inverting works on the selection the user made.
    seen = false;
    answerFileMenu(2, &seen);
    QTest::mouseClick(view, Qt::RightButton, {}, at(5));
    EXPECT_TRUE(seen);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2, 4, 5, 6, 7, 8, 9}));

    // The menu key (a context menu asked from the keyboard) opens the same menu.
    seen = false;
    answerFileMenu(-1, &seen);
    QContextMenuEvent fromKeyboard(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(files, &fromKeyboard);
    EXPECT_TRUE(seen);
    EXPECT_EQ(selectedRows().size(), 8u);
}

TEST_F(CnvWindow, DirectionControlsFollowTheTableAndTheDirectionCheckBox) {
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    auto* formats = child<QComboBox>(*w, "FileFormat");
    auto* to = child<QRadioButton>(*w, "ChangeToMS");
    auto* from = child<QRadioButton>(*w, "ChangeFromMS");
    auto* changeDir = child<QCheckBox>(*w, "ChangeDir");
    auto* rtl = child<QRadioButton>(*w, "RTLDir");
    auto* ltr = child<QRadioButton>(*w, "LTRDir");
    // The first table is one-way.
    EXPECT_FALSE(from->isEnabled());
    EXPECT_TRUE(to->isChecked());
    EXPECT_TRUE(changeDir->isEnabled());
    EXPECT_FALSE(rtl->isEnabled());
    changeDir->click();
    ASSERT_TRUE(changeDir->isChecked());
    EXPECT_TRUE(rtl->isEnabled());
    EXPECT_TRUE(ltr->isEnabled());

    formats->setCurrentIndex(1);
    w->FileFormat_Click();
    EXPECT_TRUE(from->isEnabled());
    EXPECT_FALSE(changeDir->isEnabled());
    EXPECT_FALSE(rtl->isEnabled());
    from->setChecked(true);

    formats->setCurrentIndex(0);
    w->FileFormat_Click();
    EXPECT_TRUE(to->isChecked());
    EXPECT_FALSE(from->isEnabled());
    EXPECT_TRUE(rtl->isEnabled());                                   // ChangeDir is still set
    EXPECT_TRUE(child<QRadioButton>(*w, "LogicalDir")->isEnabled()); // with the walks

    // The output choice is offered towards code page 1256 only.
    auto* output = child<QGroupBox>(*w, "frmOutput");
    EXPECT_TRUE(output->isEnabled());
    formats->setCurrentIndex(1);
    w->FileFormat_Click();
    from->setChecked(true);
    EXPECT_FALSE(output->isEnabled());
    to->setChecked(true);
    EXPECT_TRUE(output->isEnabled());
}

// Logical order and UTF-8 output: a line stored as it was shown comes back in reading
// order, written as UTF-8; the output choice is remembered for the next start.
TEST_F(CnvWindow, LogicalOrderAndUnicodeOutputAndTheChoiceIsRemembered) {
    ASSERT_TRUE(zerva::test::writeFile(path("src/a4.txt"), "12 \xc7\xc8"));
    {
        auto w = makeWindow();
        ASSERT_TRUE(w->load(path("src")));
        EXPECT_TRUE(child<QRadioButton>(*w, "Output1256")->isChecked());
        child<FolderList>(*w, "DirD")->setPath(QStringLiteral("/"), path("dst"));
        child<QCheckBox>(*w, "ChangeDir")->click();
        child<QRadioButton>(*w, "LogicalDir")->click();
        child<QRadioButton>(*w, "OutputUtf8")->click();
        auto* files = child<QListWidget>(*w, "FileS");
        files->clearSelection();
        files->findItems(QStringLiteral("a4.txt"), Qt::MatchExactly).first()->setSelected(true);
        QTest::mouseClick(child<QPushButton>(*w, "cmdChange"), Qt::LeftButton);
        EXPECT_EQ(w->lastOutcome(), RunOutcome::Finished);
        EXPECT_EQ(QString::fromUtf8(zerva::test::readFile(path("dst/a4.txt"))),
                  QStringLiteral("\u0628\u0627 12"));
    }
    auto again = makeWindow();
    EXPECT_TRUE(child<QRadioButton>(*again, "OutputUtf8")->isChecked());
    child<QRadioButton>(*again, "Output1256")->click();
    EXPECT_EQ(rememberedOutput(settings), TextOutput::CodePage1256);
}

TEST_F(CnvWindow, PathLabelsAreShortenedToTheirWidths) {
    const QString deep = path("src/") + QStringLiteral("a long folder name/another long one/"
                                                       "and a third/last");
    ASSERT_TRUE(QDir().mkpath(deep));
    auto w = makeWindow();
    ASSERT_TRUE(w->load(deep));
    for (const auto& [name, twips] :
         {std::pair{"PathS", Cnv::kPathSWidth}, std::pair{"PathD", Cnv::kPathDWidth}}) {
        SCOPED_TRACE(name);
        auto* label = child<QLabel>(*w, name);
        EXPECT_TRUE(label->text().startsWith(QStringLiteral("/.../")) ||
                    label->text() == QStringLiteral("last"))
            << label->text().toStdString();
        EXPECT_TRUE(label->text().endsWith(QStringLiteral("last")));
        EXPECT_LE(label->width(), zerva::common::twipsToPixels(twips));
        EXPECT_EQ(label->toolTip(), deep);
    }
    // A short path is shown whole.
    child<FolderList>(*w, "DirD")->setPath(QStringLiteral("/"), QStringLiteral("/"));
    EXPECT_EQ(child<QLabel>(*w, "PathD")->text(), QStringLiteral("/"));
}

TEST_F(CnvWindow, RunConvertsTheSelectedFilesAndLeavesTheOthersSelected) {
    ASSERT_TRUE(zerva::test::writeFile(path("dst/a2.txt"), "old"));
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    child<FolderList>(*w, "DirD")->setPath(QStringLiteral("/"), path("dst"));
    EXPECT_EQ(w->destinationFolder(), path("dst"));
    auto* files = child<QListWidget>(*w, "FileS");
    files->item(0)->setSelected(true); // a1.txt
    files->item(1)->setSelected(true); // a2.txt, exists in the destination
    QTest::mouseClick(child<QPushButton>(*w, "cmdChange"), Qt::LeftButton);
    EXPECT_EQ(w->lastOutcome(), RunOutcome::Finished);
    EXPECT_EQ(zerva::test::readFile(path("dst/a1.txt")), QByteArray("B"));
    EXPECT_EQ(zerva::test::readFile(path("dst/a2.txt")), QByteArray("old"));
    EXPECT_FALSE(files->item(0)->isSelected());
    EXPECT_TRUE(files->item(1)->isSelected());
    EXPECT_EQ(child<QLabel>(*w, "StatusBar")->text(),
              QStringLiteral("1") + QStringLiteral(" پرونده از ") + QStringLiteral("10") +
                  QStringLiteral(" پرونده انتخاب شده است."));

    // With ChangeDir on a one-way table, text lines are reordered right to left.
    ASSERT_TRUE(zerva::test::writeFile(path("src/a3.TXT"), "\xc7\xc8 ab"));
    files->clearSelection();
    files->item(2)->setSelected(true);
    child<QCheckBox>(*w, "ChangeDir")->setChecked(true);
    QTest::mouseClick(child<QPushButton>(*w, "cmdChange"), Qt::LeftButton);
    EXPECT_EQ(zerva::test::readFile(path("dst/a3.TXT")), QByteArray(" ab\xc8\xc7"));
}

TEST_F(CnvWindow, BrokenTablesCloseTheWindow) {
    auto missing = makeWindow("no tables here");
    EXPECT_FALSE(missing->load(path("src")));
    EXPECT_EQ(messenger.prompts(),
              QStringList{QStringLiteral("هيچ جدول تبديلي در پروندهي ZervaCnv.ini پيدا نشد.")});

    messenger.clear();
    ASSERT_TRUE(zerva::test::writeFile(path("tables/TABLE1.INI"), "[Convert Table]\r\n65=x\r\n"));
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    child<FolderList>(*w, "DirD")->setPath(QStringLiteral("/"), path("dst"));
    w->show();
    child<QListWidget>(*w, "FileS")->item(0)->setSelected(true);
    QTest::mouseClick(child<QPushButton>(*w, "cmdChange"), Qt::LeftButton);
    EXPECT_EQ(w->lastOutcome(), RunOutcome::TableFailed);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(QFile::exists(path("dst/a1.txt")));
}

TEST_F(CnvWindow, HelpOpensTheConverterSectionFromButtonAndF1AndExitCloses) {
    auto w = makeWindow();
    ASSERT_TRUE(w->load(path("src")));
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTest::mouseClick(child<QPushButton>(*w, "cmdHelp"), Qt::LeftButton);
    auto* files = child<QListWidget>(*w, "FileS");
    files->setFocus();
    QTest::keyClick(files, Qt::Key_F1);
    ASSERT_EQ(help.opened.size(), 2);
    for (const QString& opened : help.opened) {
        EXPECT_TRUE(opened.endsWith(QStringLiteral("zerva.html#converter")))
            << opened.toStdString();
    }
    QTest::mouseClick(child<QPushButton>(*w, "cmdExit"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
}

TEST(ZervaCnvProgram, SecondStartRaisesTheFirstWindowAndEnds) {
    if (const QString reason = zerva::test::secondStartUnavailable(); !reason.isEmpty()) {
        GTEST_SKIP() << reason.toStdString();
    }
    zerva::test::expectSecondStartRaisesTheFirst(QStringLiteral("ZervaCNV"),
                                                 QStringLiteral("ZervaCNV"));
}

} // namespace
