// The toolkit's file dialog as the suite shows it: within the screen, paths and file names
// left to right in the right-to-left dialog, captions clear of their buttons' edges.
#include "common/ui/qt_file_dialogs.h"

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace zerva::common;

TEST(FileDialog, FitsTheScreenAndShowsPathsLeftToRight) {
    QTemporaryDir dir;
    for (const bool save : {false, true}) {
        SCOPED_TRACE(save ? "save" : "open");
        QFileDialog dialog(nullptr, QStringLiteral("پرونده"), dir.path());
        dialog.setLayoutDirection(Qt::RightToLeft);
        FileDialogArgs args;
        args.filter = QStringLiteral("Keyboard Layout Files (*.kbd)|*.kbd|All Files (*.*)|*.*");
        args.defaultExtension = QStringLiteral("kbd");
        configureFileDialog(dialog, args, save);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

        const QSize screen = dialog.screen()->availableSize();
        EXPECT_LE(dialog.width(), screen.width());
        EXPECT_LE(dialog.height(), screen.height());
        EXPECT_GT(dialog.width(), 589); // wider than the toolkit's cramped default

        for (const char* name : {"lookInCombo", "fileNameEdit"}) {
            auto* field = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(field, nullptr) << name;
            EXPECT_EQ(field->layoutDirection(), Qt::LeftToRight) << name;
        }
        auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
        ASSERT_NE(splitter, nullptr);
        EXPECT_GE(splitter->sizes().front(), 150); // the side panel shows whole folder names

        // Dates read left to right ("7 Dec 2026", not "Dec 2026 7").
        auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(tree->header()->sectionResizeMode(3), QHeaderView::ResizeToContents);
        QAbstractItemDelegate* dates = tree->itemDelegateForColumn(3);
        ASSERT_NE(dates, nullptr);

        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        ASSERT_NE(buttons, nullptr);
        for (QAbstractButton* b : buttons->buttons()) {
            SCOPED_TRACE(b->text().toStdString());
            const int text = b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&')));
            EXPECT_TRUE(b->icon().isNull());
            EXPECT_GE(b->width(), text + 20);
        }
        dialog.close();
    }
}
