// zerva-convert: converts text, RTF and Word files with the file converter's tables.
#include "converter/platform/libreoffice_word.h"
#include "tools/zerva-convert/cli.h"

#include <QCoreApplication>

#include <cstdio>
#include <variant>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    using namespace zerva::converter::cli;
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const auto parsed = parseArguments(args);
    if (const QString* error = std::get_if<QString>(&parsed)) {
        std::fprintf(stderr, "zerva-convert: %s\n%s", error->toUtf8().constData(),
                     usageText().toUtf8().constData());
        return kExitUsage;
    }
    zerva::converter::LibreOfficeWordService word;
    return run(std::get<Options>(parsed), word);
}
