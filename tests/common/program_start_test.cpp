// The main window's start shared by the programs: centred on the screen, shown, sized to
// its contents when asked, and brought back by a later copy's request.
#include "common/ui/program_start.h"
#include "tests/support/fake_services.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using namespace zerva::common;

namespace {

// A window given less room than its contents would like (but more than they need).
std::unique_ptr<QWidget> windowWithContents() {
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->addWidget(new QTextEdit);
    window->resize(window->minimumSizeHint());
    return window;
}

TEST(ShowMainWindow, CentresShowsAndAnswersLaterCopies) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    for (const WindowSize size : {WindowSize::AsBuilt, WindowSize::FitToContents}) {
        SCOPED_TRACE(static_cast<int>(size));
        auto window = windowWithContents();
        ASSERT_NE(window->size(), window->sizeHint());
        zerva::test::FakeSingleInstance instance;
        showMainWindow(*window, instance, size);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(instance.listening);
        EXPECT_EQ(instance.raiseCalls, 0); // the caller asked before the window was made
        if (size == WindowSize::FitToContents) {
            EXPECT_EQ(window->size(), window->sizeHint());
        } else {
            EXPECT_EQ(window->size(), window->minimumSizeHint());
        }
        const QPoint centre = screen->availableGeometry().center();
        const QPoint windowCentre = window->geometry().center();
        EXPECT_LE((windowCentre - centre).manhattanLength(), 4); // rounding of odd sizes

        // A later copy brings a minimised or hidden window back.
        window->showMinimized();
        ASSERT_TRUE(instance.onRaise);
        instance.onRaise();
        EXPECT_FALSE(window->isMinimized());
        EXPECT_TRUE(window->isVisible());
        window->hide();
        instance.onRaise();
        EXPECT_TRUE(window->isVisible());
    }
}

// A main window whose menu bar and fixed client area make its size only once laid out.
TEST(ShowMainWindow, CentresAMainWindowAsItWillBeShown) {
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"));
    auto* client = new QWidget;
    client->setFixedSize(400, 300);
    window.setCentralWidget(client);
    zerva::test::FakeSingleInstance instance;
    showMainWindow(window, instance, WindowSize::AsBuilt);
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window.geometry().center() - centre).manhattanLength(), 4);
}

} // namespace
