// Keyboard: the start-up checks, a system folder with its layout file, the commands and the
// main window.
#include "keyboard/commands.h"
#include "keyboard/platform/host_platform_check.h"
#include "keyboard/platform/xkb_layout_installer.h"
#include "keyboard/platform/xkb_system_layouts.h"
#include "keyboard/standard_layout.h"
#include "keyboard/startup_checks.h"
#include "keyboard/ui/command_wiring.h"
#include "keyboard/ui/file_menu_extras.h"
#include "keyboard/ui/frm_main.h"
#include "keyboard/windir.h"

#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/ui/mb.h"
#include "common/ui/program_start.h"
#include "common/ui/qt_file_dialogs.h"

using namespace zerva;

using MainWindow = keyboard::frmMain;

int main(int argc, char** argv) {
    common::SuiteProgram<common::LocalSingleInstance> program(argc, argv,
                                                              QStringLiteral("Keyboard"));
    common::SettingsStore& settings = program.settings();

    // The single-copy check is one of the start-up checks, in their order.
    keyboard::HostPlatformCheck platform;
    common::QtMessenger startupMessenger(keyboard::LayoutModel::programName());
    const keyboard::StartupOutcome outcome =
        keyboard::runStartupChecks({platform, program.instance(), settings, startupMessenger});
    if (!keyboard::goesOn(outcome)) {
        return outcome == keyboard::StartupOutcome::AlreadyRunning ? 0 : 1;
    }

    // A fresh system folder gets the standard layout, so that the first start has a layout
    // to show; an existing file is never touched. A failure shows when the file is read.
    keyboard::seedSystemLayoutFile(keyboard::standardLayoutImage());

    common::QtMessenger messenger(keyboard::LayoutModel::programName());
    MainWindow window(messenger);
    common::QtFileDialogs dialogs(&window);
    keyboard::XkbLayoutInstaller installer;
    common::SuiteHelpViewer help;

    keyboard::CommandViewFunctions view;
    view.caption = [&window](const QString& text) { window.setWindowTitle(text); };
    view.editMode = [&window](bool edit) { window.setEditMode(edit); };
    view.focusKey0 = [&window] { window.focusKey(0); };
    view.close = [&window] { window.close(); };
    keyboard::Commands commands(window.model(), view,
                                {messenger, dialogs, installer, settings, help});
    keyboard::KeyboardMenuBar* menuBar = keyboard::installCommands(window, commands);
    QObject::connect(menuBar, &keyboard::KeyboardMenuBar::DirectEditKeyTriggered, &window,
                     &MainWindow::EditKeyCommand);
    keyboard::XkbSystemLayouts systemLayouts;
    keyboard::installFileMenuExtras(window, *menuBar, commands, dialogs, systemLayouts);
    QObject::connect(&window, &MainWindow::helpRequested, &commands, &keyboard::Commands::cmdHelp);
    commands.load();

    return program.exec(window, common::WindowSize::AsBuilt);
}
