// The CBCnv window: its list of two-way tables, the convert button, help and exit.
#include "clipboard/clipboard_table.h"
#include "clipboard/clipboard_texts.h"
#include "clipboard/ui/cbcnv.h"

#include "common/codepage.h"
#include "common/settings_store.h"
#include "tests/clipboard/fake_clipboard.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/fake_services.h"
#include "tests/support/second_start.h"
#include "tests/support/test_paths.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace zerva::clipboard;
using zerva::test::FakeClipboard;

namespace {

class CBCnvWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zerva::test::writeFile(
            dir.filePath(QStringLiteral("ZERVACNV.INI")),
            "[Code pages]\r\ntables=3\r\ntable1=First;1\r\ntable2=Second\r\ntable3=Third;1\r\n"));
        ASSERT_TRUE(
            zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE1.INI")), "65=66\r\n"));
        ASSERT_TRUE(
            zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE3.INI")), "65=67\r\n"));
        ASSERT_TRUE(zerva::test::writeFile(
            dir.filePath(QStringLiteral("defaults.reg")),
            "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
            "\"help\"=\"" +
                dir.filePath(QStringLiteral("zerva.html")).toUtf8() + "\"\n"));
    }
    std::unique_ptr<CBCnv> makeWindow() {
        auto w = std::make_unique<CBCnv>(dir.path(),
                                         CBCnvServices{messenger, clipboard, help, settings});
        return w;
    }
    template <typename T> T* child(CBCnv& w, const char* name) {
        return w.findChild<T*>(QString::fromLatin1(name));
    }

    QTemporaryDir dir;
    FakeClipboard clipboard;
    zerva::test::FakeMessenger messenger;
    zerva::test::FakeHelpViewer help;
    zerva::common::SettingsStore settings{dir.filePath(QStringLiteral("user.reg")),
                                          dir.filePath(QStringLiteral("defaults.reg"))};
};

} // namespace

TEST_F(CBCnvWindow, ListsTwoWayTablesAndConvertsWithTheChosenTableNumber) {
    auto w = makeWindow();
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("زروا 2001 - مبدل Clipboard")));
    EXPECT_TRUE(w->windowTitle().endsWith(QString(QChar(0x200F)) + QStringLiteral("(1.00)")));
    ASSERT_TRUE(w->load());
    auto* formats = child<QComboBox>(*w, "FileFormat");
    ASSERT_NE(formats, nullptr);
    ASSERT_EQ(formats->count(), 2);
    EXPECT_EQ(formats->itemText(0), QStringLiteral("First"));
    EXPECT_EQ(formats->itemText(1), QStringLiteral("Third"));
    EXPECT_EQ(formats->currentIndex(), 0);
    EXPECT_EQ(w->TableNumbers(), (std::vector<int>{1, 3}));
    EXPECT_TRUE(child<QRadioButton>(*w, "ChangeToMS")->isChecked());

    auto* change = child<QPushButton>(*w, "cmdChange");
    EXPECT_FALSE(change->isEnabled()); // an empty clipboard
    clipboard.copyFromOtherProgram({QStringLiteral("A"), std::nullopt});
    EXPECT_TRUE(change->isEnabled());

    formats->setCurrentIndex(1);
    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_EQ(clipboard.data.text, QStringLiteral("C")); // TABLE3.INI, not TABLE2.INI
    EXPECT_FALSE(change->isEnabled());
    clipboard.copyFromOtherProgram({QStringLiteral("C"), std::nullopt});
    ASSERT_TRUE(change->isEnabled());
    child<QRadioButton>(*w, "ChangeFromMS")->setChecked(true);
    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_EQ(clipboard.data.text, QStringLiteral("A"));
    EXPECT_EQ(messenger.boxes().size(), 2u); // the two completion notices
}

TEST_F(CBCnvWindow, WithoutTwoWayTablesOrListTheWindowSaysSoAndCloses) {
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("ZERVACNV.INI")),
                                       "[Code pages]\r\ntables=1\r\ntable1=One way\r\n"));
    auto w = makeWindow();
    EXPECT_FALSE(w->load());
    EXPECT_FALSE(w->watch().active());
    EXPECT_EQ(messenger.prompts(),
              QStringList{QStringLiteral("هيچ جدول تبديلي در پروندهي ZervaCnv.ini پيدا نشد.")});
}

TEST_F(CBCnvWindow, BrokenTableClosesTheWindowAndLeavesTheClipboard) {
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE1.INI")), "65=x\r\n"));
    auto w = makeWindow();
    ASSERT_TRUE(w->load());
    w->show();
    clipboard.copyFromOtherProgram({QStringLiteral("A"), std::nullopt});
    QTest::mouseClick(child<QPushButton>(*w, "cmdChange"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(clipboard.data.text, QStringLiteral("A"));
    EXPECT_EQ(messenger.prompts(), QStringList{tableFailureMessage(1)});
}

TEST_F(CBCnvWindow, HelpOpensThisProgramsSectionFromButtonAndF1AndExitCloses) {
    auto w = makeWindow();
    ASSERT_TRUE(w->load());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTest::mouseClick(child<QPushButton>(*w, "cmdHelp"), Qt::LeftButton);
    auto* formats = child<QComboBox>(*w, "FileFormat");
    formats->setFocus();
    QTest::keyClick(formats, Qt::Key_F1);
    ASSERT_EQ(help.opened.size(), 2);
    EXPECT_EQ(help.opened[0], help.opened[1]);
    EXPECT_TRUE(help.opened[0].endsWith(QStringLiteral("zerva.html#clipboard")));
    QTest::mouseClick(child<QPushButton>(*w, "cmdExit"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(CBCnvWindow, PreviewFollowsTheClipboardTheTableAndTheDirection) {
    auto w = makeWindow();
    auto* before = child<QLabel>(*w, "PreviewBefore");
    auto* after = child<QLabel>(*w, "PreviewAfter");
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(child<QLabel>(*w, "Label6")->text(), texts::kPreviewBefore());
    EXPECT_EQ(child<QLabel>(*w, "Label7")->text(), texts::kPreviewAfter());
    // Persian lines start at the right edge of the right-to-left window.
    for (const QLabel* preview : {before, after}) {
        EXPECT_TRUE(QStyle::visualAlignment(w->layoutDirection(), preview->alignment()) &
                    Qt::AlignRight);
    }
    ASSERT_TRUE(w->load());
    EXPECT_EQ(before->text(), texts::kPreviewNoText()); // an empty clipboard
    EXPECT_TRUE(after->text().isEmpty());

    // Another program copies text: TABLE1.INI turns A into B.
    clipboard.copyFromOtherProgram({QStringLiteral("AB\nA b\nnot shown"), std::nullopt});
    EXPECT_EQ(before->text(), QStringLiteral("AB\nA b"));
    EXPECT_EQ(after->text(), QStringLiteral("BB\nB b"));
    // The other direction turns B back into A.
    child<QRadioButton>(*w, "ChangeFromMS")->setChecked(true);
    EXPECT_EQ(after->text(), QStringLiteral("AA\nA b"));
    // The other table (TABLE3.INI: A into C), to code page 1256 again.
    child<QRadioButton>(*w, "ChangeToMS")->setChecked(true);
    child<QComboBox>(*w, "FileFormat")->setCurrentIndex(1);
    EXPECT_EQ(after->text(), QStringLiteral("CB\nC b"));

    // After a press the clipboard holds the result, and the preview shows it.
    QTest::mouseClick(child<QPushButton>(*w, "cmdChange"), Qt::LeftButton);
    EXPECT_EQ(before->text(), QStringLiteral("CB\nC b"));
    EXPECT_EQ(after->text(), QStringLiteral("CB\nC b"));

    // RTF alone has no plain text to show.
    clipboard.copyFromOtherProgram({std::nullopt, QByteArray("{\\rtf1 A}")});
    EXPECT_EQ(before->text(), texts::kPreviewNoText());
    EXPECT_TRUE(after->text().isEmpty());

    // A line too wide for the box is elided to fit it, and the box keeps its size.
    const QSize size = before->size();
    const QString wide(70, QChar(0x0645));
    clipboard.copyFromOtherProgram({wide, std::nullopt});
    EXPECT_EQ(before->size(), size);
    EXPECT_EQ(before->toolTip(), wide);
    EXPECT_LT(before->text().count(QChar(0x0645)), wide.size());
    EXPECT_LE(before->fontMetrics().horizontalAdvance(before->text()),
              before->contentsRect().width());
}

TEST(ZervaCbcProgram, SecondStartRaisesTheFirstWindowAndEnds) {
    if (const QString reason = zerva::test::secondStartUnavailable(); !reason.isEmpty()) {
        GTEST_SKIP() << reason.toStdString();
    }
    zerva::test::expectSecondStartRaisesTheFirst(QStringLiteral("ZervaCBC"),
                                                 QStringLiteral("ZervaCBC"));
}
