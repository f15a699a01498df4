// Shared services: help from the settings store, dialog filters, the single running copy.
#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/settings_store.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_paths.h"
#include "tests/support/wait.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace zerva::common;

TEST(Help, OpensThePageNamedInTheSettingsOrNothing) {
    QTemporaryDir dir;
    const QString defaults = dir.filePath(QStringLiteral("defaults.reg"));
    zerva::test::FakeHelpViewer viewer;
    SettingsStore store(dir.filePath(QStringLiteral("user.reg")), defaults);
    EXPECT_FALSE(openSuiteHelp(store, viewer));
    EXPECT_TRUE(viewer.opened.isEmpty());

    ASSERT_TRUE(zerva::test::writeFile(
        defaults, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                  "\"help\"=\"/srv/help/zerva.html\"\n"));
    EXPECT_TRUE(openSuiteHelp(store, viewer));
    EXPECT_TRUE(openSuiteHelp(store, viewer, QStringLiteral("converter")));
    EXPECT_EQ(viewer.opened, (QStringList{QStringLiteral("/srv/help/zerva.html"),
                                          QStringLiteral("file:///srv/help/zerva.html#converter")}));

    // Only an HTML page gets a section.
    ASSERT_TRUE(zerva::test::writeFile(
        defaults, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                  "\"help\"=\"/srv/help/zerva.pdf\"\n"));
    viewer.opened.clear();
    EXPECT_TRUE(openSuiteHelp(store, viewer, QStringLiteral("converter")));
    EXPECT_EQ(viewer.opened, QStringList{QStringLiteral("file:///srv/help/zerva.pdf")});
}

TEST(Help, SuiteViewerShowsHtmlRightToLeftAndRefusesMissingFiles) {
    SuiteHelpViewer viewer;
    EXPECT_FALSE(viewer.open(QStringLiteral("/nonexistent/help.html")));
    const QString page = zerva::test::dataDir() + QStringLiteral("/help/zerva.html");
    ASSERT_TRUE(viewer.open(page));
    ASSERT_NE(viewer.window(), nullptr);
    EXPECT_TRUE(viewer.window()->isVisible());
    EXPECT_EQ(viewer.window()->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(viewer.window()->toPlainText().contains(QStringLiteral("2001")));
}

TEST(FileDialogFilters, PipeListBecomesNameFilters) {
    EXPECT_EQ(nameFilters(QStringLiteral(
                  "Keyboard Layout Files (*.kbd)|*.kbd|All Files (*.*)|*.*")),
              (QStringList{QStringLiteral("Keyboard Layout Files (*.kbd)"),
                           QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(nameFilters(QStringLiteral("Text|*.txt;*.rtf")),
              QStringList{QStringLiteral("Text (*.txt *.rtf)")});
}

TEST(SingleInstance, SecondCopyRaisesTheFirst) {
    const QString name = QStringLiteral("test-%1").arg(QCoreApplication::applicationPid());
    LocalSingleInstance first(name);
    LocalSingleInstance second(name);
    EXPECT_FALSE(first.raiseRunningCopy()); // nobody yet
    int raised = 0;
    ASSERT_TRUE(first.listen([&raised] { ++raised; }));
    EXPECT_TRUE(second.raiseRunningCopy());
    EXPECT_TRUE(zerva::test::waitUntil([&] { return raised == 1; }));
}
