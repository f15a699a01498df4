// ZervaCNV: one running copy, the installation folder from the settings store, the window.
#include "converter/cnv_texts.h"
#include "converter/platform/libreoffice_word.h"
#include "converter/ui/cnv.h"

#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/ui/mb.h"
#include "common/ui/program_start.h"

#include <QDir>

using namespace zerva;

int main(int argc, char** argv) {
    common::SuiteProgram<common::LocalSingleInstance> program(argc, argv,
                                                              QStringLiteral("ZervaCNV"));
    if (program.anotherCopyRuns()) {
        return 0;
    }

    // Without an installation folder in the settings no table list is found: the window says
    // so and the program ends.
    common::QtMessenger messenger(converter::texts::kProgramName());
    converter::LibreOfficeWordService word;
    common::SuiteHelpViewer help;
    converter::Cnv window(program.installPath(), {messenger, word, help, program.settings()});
    if (!window.load(QDir::homePath())) {
        return 0;
    }
    return program.exec(window, common::WindowSize::FitToContents);
}
