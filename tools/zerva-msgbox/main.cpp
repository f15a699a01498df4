// zerva-msgbox: shows the suite's Persian message box from a shell script and prints the
// index of the pressed button (0, 1, 2; -1 when a timed box closed by itself).
#include "common/ui/app_setup.h"
#include "common/ui/mb.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zerva::common::setupSuiteApplication(app, QStringLiteral("zerva-msgbox"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the Persian message box and prints the index of the pressed button."));
    parser.addHelpOption();
    const QCommandLineOption button(QStringLiteral("button"),
                                    QStringLiteral("Button set: 6 OK, 4 Yes/No, 3 Yes/No/Cancel."),
                                    QStringLiteral("code"), QStringLiteral("6"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("Window title."),
                                   QStringLiteral("text"));
    const QCommandLineOption column(QStringLiteral("column"),
                                    QStringLiteral("Buttons in a column on the left."));
    const QCommandLineOption noFrame(QStringLiteral("no-frame"),
                                     QStringLiteral("No border around the prompt."));
    const QCommandLineOption unequal(QStringLiteral("unequal"),
                                     QStringLiteral("Buttons keep their own widths."));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Caption of button 0."),
                                 QStringLiteral("text"));
    const QCommandLineOption no(QStringLiteral("no"), QStringLiteral("Caption of button 1."),
                                QStringLiteral("text"));
    const QCommandLineOption cancel(QStringLiteral("cancel"),
                                    QStringLiteral("Caption of button 2."), QStringLiteral("text"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Close by itself after this many ms."),
                                     QStringLiteral("ms"));
    parser.addOptions({button, title, column, noFrame, unequal, yes, no, cancel, timeout});
    parser.addPositionalArgument(QStringLiteral("prompt"),
                                 QStringLiteral("The message; \\n starts a new line."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        parser.showHelp(2);
    }

    zerva::common::MsgBoxArgs args;
    args.prompt = parser.positionalArguments().front();
    args.prompt.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    args.button = parser.value(button).toInt();
    args.title = parser.value(title);
    args.buttonDirection = parser.isSet(column) ? 0 : 1;
    args.promptFrame = !parser.isSet(noFrame);
    args.buttonWidthEqual = !parser.isSet(unequal);
    args.yesCaption = parser.value(yes);
    args.noCaption = parser.value(no);
    args.cancelCaption = parser.value(cancel);

    zerva::common::MB box(nullptr, zerva::common::productName());
    int answer = 0;
    if (parser.isSet(timeout)) {
        // Shown without waiting: the answer is the timer's unless a button comes first.
        args.intervalTime = parser.value(timeout).toInt();
        box.MsgBox(args);
        QObject::connect(&box, &QDialog::finished, &app, [&] {
            answer = box.answer();
            app.quit();
        });
        app.exec();
    } else {
        answer = box.MsgBox(args);
    }
    std::printf("%d\n", answer);
    return 0;
}
