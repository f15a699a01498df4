// ZervaCBC: one running copy, the installation folder from the settings store, the window.
#include "clipboard/clipboard_texts.h"
#include "clipboard/platform/qt_clipboard_service.h"
#include "clipboard/ui/cbcnv.h"

#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/settings_store.h"
#include "common/ui/app_setup.h"
#include "common/ui/mb.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>

using namespace zerva;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    common::setupSuiteApplication(app, QStringLiteral("ZervaCBC"));

    // A second copy brings the first one's window to the front and ends.
    common::LocalSingleInstance instance(QStringLiteral("ZervaCBC"));
    if (instance.raiseRunningCopy()) {
        return 0;
    }

    const common::SettingsStore settings = common::SettingsStore::standard();
    const QString installPath = common::RegReadString(settings, common::HKEY_LOCAL_MACHINE,
                                                      common::kProductKey, QStringLiteral("Path"));

    common::QtMessenger messenger(clipboard::texts::kProgramName());
    clipboard::QtClipboardService clipboardService;
    common::SuiteHelpViewer help;
    clipboard::CBCnv window(installPath, {messenger, clipboardService, help, settings});
    if (!window.load()) {
        return 0;
    }
    instance.listen([&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });

    window.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
    window.show();
    return QApplication::exec();
}
