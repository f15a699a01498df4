// ZervaCBC: one running copy, the installation folder from the settings store, the window.
#include "clipboard/clipboard_texts.h"
#include "clipboard/platform/qt_clipboard_service.h"
#include "clipboard/ui/cbcnv.h"

#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/ui/mb.h"
#include "common/ui/program_start.h"

using namespace zerva;

int main(int argc, char** argv) {
    common::SuiteProgram<common::LocalSingleInstance> program(argc, argv,
                                                              QStringLiteral("ZervaCBC"));
    if (program.anotherCopyRuns()) {
        return 0;
    }

    common::QtMessenger messenger(clipboard::texts::kProgramName());
    clipboard::QtClipboardService clipboardService;
    common::SuiteHelpViewer help;
    clipboard::CBCnv window(program.installPath(),
                            {messenger, clipboardService, help, program.settings()});
    if (!window.load()) {
        return 0;
    }
    return program.exec(window, common::WindowSize::FitToContents);
}
