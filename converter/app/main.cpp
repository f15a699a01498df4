// ZervaCNV: one running copy, the installation folder from the settings store, the window.
#include "converter/char_class.h"
#include "converter/cnv_texts.h"
#include "converter/platform/libreoffice_word.h"
#include "converter/ui/cnv.h"

#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/settings_store.h"
#include "common/ui/app_setup.h"
#include "common/ui/mb.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>

using namespace zerva;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    common::setupSuiteApplication(app, QStringLiteral("ZervaCNV"));

    // A second copy brings the first one's window to the front and ends.
    common::LocalSingleInstance instance(QStringLiteral("ZervaCNV"));
    if (instance.raiseRunningCopy()) {
        return 0;
    }

    const common::SettingsStore settings = common::SettingsStore::standard();
    // A missing value leaves "Not Found", where no table list is found: the window says so
    // and the program ends.
    const QString installPath = common::RegReadString(settings, common::HKEY_LOCAL_MACHINE,
                                                      common::kProductKey, QStringLiteral("Path"));
    // The character classes of the direction-changing converters, built before any file.
    (void)converter::CharClass();

    common::QtMessenger messenger(converter::texts::kProgramName());
    converter::LibreOfficeWordService word;
    common::SuiteHelpViewer help;
    converter::Cnv window(installPath, {messenger, word, help, settings});
    if (!window.load(QDir::homePath())) {
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
