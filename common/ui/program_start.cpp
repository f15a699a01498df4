// The programs' application, and the centring and showing of their main windows.
#include "common/ui/program_start.h"

#include "common/ui/app_setup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

namespace zerva::common {

void showMainWindow(QWidget& window, SingleInstance& instance, WindowSize size) {
    instance.listen([&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    // The size the window will be shown with, settled before it is centred: the layout's
    // constraints (a menu bar adds its height), and for a window never given a size, the
    // size showing would give it.
    window.ensurePolished();
    if (QLayout* layout = window.layout()) {
        layout->activate();
    }
    if (size == WindowSize::FitToContents || !window.testAttribute(Qt::WA_Resized)) {
        window.adjustSize();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
    window.show();
}

namespace {

// The application is set up before the settings store is made: the store's user file lies
// in the organisation's configuration folder.
std::unique_ptr<QApplication> makeApplication(int& argc, char** argv, const QString& name) {
    auto app = std::make_unique<QApplication>(argc, argv);
    setupSuiteApplication(*app, name);
    return app;
}

} // namespace

SuiteApplication::SuiteApplication(int& argc, char** argv, const QString& applicationName)
    : m_app(makeApplication(argc, argv, applicationName)), m_settings(SettingsStore::standard()) {}

SuiteApplication::~SuiteApplication() = default;

int SuiteApplication::exec(QWidget& window, SingleInstance& instance, WindowSize size) {
    showMainWindow(window, instance, size);
    return QApplication::exec();
}

} // namespace zerva::common
