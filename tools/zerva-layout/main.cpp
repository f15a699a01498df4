// zerva-layout: reads, copies and writes keyboard layout files with the keyboard core, for
// users and for tests. Prompts of the reader go to standard error; usage is in English.
#include "keyboard/commands.h"
#include "keyboard/layout_export.h"
#include "keyboard/layout_file.h"
#include "keyboard/layout_import.h"
#include "keyboard/layout_install.h"
#include "keyboard/layout_model.h"
#include "keyboard/platform/xkb_layout_installer.h"
#include "keyboard/platform/xkb_system_layouts.h"
#include "keyboard/print/export_commands.h"
#include "keyboard/print/layout_picture.h"
#include "keyboard/standard_layout.h"
#include "keyboard/windir.h"

#include "common/messages.h"
#include "common/settings_store.h"

#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace zerva;
using namespace zerva::keyboard;

enum ExitCode {
    kExitOk = 0,
    kExitNotRead = 1,
    kExitUsage = 2,
    kExitWriteFailed = 3,
    kExitNotLoaded = 4,
};

constexpr const char* kUsage =
    "Usage:\n"
    "  zerva-layout dump FILE [--answer yes|no]\n"
    "      Read FILE into a fresh layout and print it as one line of JSON: keymap (slots\n"
    "      0..95), runtime palette entries, used fixed entries, extraChars, the messages the\n"
    "      reader showed, and whether the layout was read.\n"
    "  zerva-layout copy IN OUT [--answer yes|no]\n"
    "      Read IN and write it to OUT. Exit 0 when written, 1 when IN was refused or not\n"
    "      read, 3 when writing failed.\n"
    "  zerva-layout standard OUT\n"
    "      Write the standard layout to OUT.\n"
    "  zerva-layout install FILE [--answer yes|no]\n"
    "      Install FILE as the Keyboard program's Apply does: the system's layout file\n"
    "      ($Windir/System/KBDA1.KBD), the user's XKB layout (~/.config/xkb) and Compose file\n"
    "      (~/.XCompose), and, when DISPLAY names an X server, the layout loaded there as\n"
    "      the active group. Exit 0 when installed, 1 when FILE was refused or not read, 3\n"
    "      when a file could not be written, 4 when the X server did not take the layout.\n"
    "  zerva-layout export --xkb|--klc|--keylayout|--pdf|--svg|--png IN OUT [--answer yes|no]\n"
    "      Read IN and write it for another system: an XKB symbols file, a Windows .klc\n"
    "      source, a macOS .keylayout, or the printable picture as PDF, SVG or PNG. Exit 0\n"
    "      when written, 1 when IN was refused or not read, 3 when writing failed.\n"
    "  zerva-layout import NAME[(VARIANT)] OUT\n"
    "      Read the system's XKB layout NAME (for example ir, ara, ir(pes_keypad)) and write\n"
    "      it as a layout file. Characters a layout file cannot hold are listed and their keys\n"
    "      left empty. Exit 0 when written, 1 when the system has no such layout, 3 when\n"
    "      writing failed.\n"
    "\n"
    "--answer answers the question asked for a file whose header is not the standard one\n"
    "(default: no). Exit status 2 means a usage error.\n";

// Shows the reader's prompts on standard error and answers its question as told.
class ConsoleMessenger : public common::Messenger {
public:
    using Messenger::MsgBox;

    explicit ConsoleMessenger(bool yes) : m_yes(yes) {}

    int MsgBox(const common::MsgBoxArgs& args) override {
        m_prompts << args.prompt;
        std::fprintf(stderr, "%s\n", args.prompt.toUtf8().constData());
        if (args.button == common::kYesNo || args.button == common::kYesNoCancel) {
            return m_yes ? common::kAnswerYes : common::kAnswerNo;
        }
        return common::kAnswerYes;
    }

    void systemMessage(const QString& text, const QString&) override {
        m_prompts << text;
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    }

    const QStringList& prompts() const { return m_prompts; }

private:
    bool m_yes;
    QStringList m_prompts;
};

QString jsonString(const QString& s) {
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    return out + QLatin1Char('"');
}

QString jsonList(const QStringList& items) {
    return QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString dumpJson(const LayoutModel& model, const QStringList& messages, bool read) {
    QStringList keymap;
    for (int s = 0; s < kSlotCount; ++s) {
        keymap << QString::number(model.KeyMap(s));
    }
    QStringList runtime;
    for (int i = kFirstRuntimeEntry; i < model.paletteSize(); ++i) {
        const PaletteEntry& e = model.entry(i);
        runtime << QStringLiteral("{\"index\":%1,\"caption\":%2,\"code\":%3,\"tip\":%4}")
                       .arg(i)
                       .arg(jsonString(e.caption))
                       .arg(e.code)
                       .arg(jsonString(e.tip));
    }
    QStringList used;
    for (int i = 0; i < kEmptyEntry; ++i) {
        if (model.isEntryUsed(i)) {
            used << QString::number(i);
        }
    }
    QStringList extra;
    for (const QString& item : model.extraCharsItems()) {
        extra << jsonString(item);
    }
    QStringList msgs;
    for (const QString& m : messages) {
        msgs << jsonString(m);
    }
    return QStringLiteral("{\"keymap\":%1,\"runtime\":%2,\"used\":%3,\"extraChars\":%4,"
                          "\"messages\":%5,\"read\":%6}")
        .arg(jsonList(keymap), jsonList(runtime), jsonList(used), jsonList(extra), jsonList(msgs),
             read ? QStringLiteral("true") : QStringLiteral("false"));
}

int usage(const char* problem) {
    if (problem != nullptr) {
        std::fprintf(stderr, "zerva-layout: %s\n", problem);
    }
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Takes "--answer yes|no" out of args; false on a malformed option.
bool takeAnswer(QStringList& args, bool& yes) {
    yes = false;
    const qsizetype i = args.indexOf(QStringLiteral("--answer"));
    if (i < 0) {
        return true;
    }
    if (i + 1 >= args.size()) {
        return false;
    }
    const QString value = args.at(i + 1);
    if (value != QStringLiteral("yes") && value != QStringLiteral("no")) {
        return false;
    }
    yes = value == QStringLiteral("yes");
    args.remove(i, 2);
    return !args.contains(QStringLiteral("--answer"));
}

int writeOrReport(const WriteResult& result, const QString& path) {
    if (!result.ok) {
        std::fprintf(stderr, "zerva-layout: cannot write %s: %s\n", path.toUtf8().constData(),
                     result.error.toUtf8().constData());
        return kExitWriteFailed;
    }
    return kExitOk;
}

struct ExportTarget {
    const char* option;
    std::optional<ExportFormat> layout;
    std::optional<PictureFormat> picture;
};

const ExportTarget kExportTargets[] = {
    {"--xkb", ExportFormat::Xkb, std::nullopt},
    {"--klc", ExportFormat::Klc, std::nullopt},
    {"--keylayout", ExportFormat::Keylayout, std::nullopt},
    {"--pdf", std::nullopt, PictureFormat::Pdf},
    {"--svg", std::nullopt, PictureFormat::Svg},
    {"--png", std::nullopt, PictureFormat::Png},
};

bool isPictureOption(const char* arg) {
    return std::strcmp(arg, "--pdf") == 0 || std::strcmp(arg, "--svg") == 0 ||
           std::strcmp(arg, "--png") == 0;
}

int runExport(QStringList args) {
    bool yes = false;
    if (!takeAnswer(args, yes)) {
        return usage("--answer takes yes or no, once");
    }
    const ExportTarget* target = nullptr;
    for (const ExportTarget& t : kExportTargets) {
        const qsizetype i = args.indexOf(QLatin1String(t.option));
        if (i < 0) {
            continue;
        }
        if (target != nullptr) {
            return usage("export takes one format");
        }
        target = &t;
        args.remove(i);
    }
    if (target == nullptr || args.size() != 2) {
        return usage("export takes a format, an input and an output file");
    }
    LayoutModel model;
    ConsoleMessenger messenger(yes);
    if (ReadLayoutFile(model, args.at(0), messenger) != ReadOutcome::Read) {
        return kExitNotRead;
    }
    model.setSourceLabel(args.at(0));
    QByteArray bytes;
    if (target->picture) {
        bytes = renderLayoutPicture(*target->picture, pictureContent(model, QDate::currentDate()));
    } else {
        const ExportedLayout exported = exportLayout(*target->layout, xkbKeyTexts(model));
        if (!exported.shortenedSlots.isEmpty()) {
            std::fprintf(
                stderr, "%s\n",
                ExportCommands::shortenedMessage(exported.shortenedSlots).toUtf8().constData());
        }
        bytes = exported.bytes;
    }
    if (bytes.isEmpty() || !writeFileAtomically(args.at(1), bytes)) {
        std::fprintf(stderr, "%s\n", saveFailedMessage(args.at(1)).toUtf8().constData());
        return kExitWriteFailed;
    }
    return kExitOk;
}

int runImport(const QStringList& args) {
    if (args.size() != 2) {
        return usage("import takes a layout name and an output file");
    }
    const std::optional<SystemLayoutName> layout = parseSystemLayoutName(args.at(0));
    if (!layout) {
        return usage("import takes a layout as NAME or NAME(VARIANT)");
    }
    XkbSystemLayouts system;
    const std::optional<XkbKeyTexts> texts = system.keyTexts(*layout);
    if (!texts) {
        std::fprintf(stderr, "%s\n", importNotFoundMessage(args.at(0)).toUtf8().constData());
        return kExitNotRead;
    }
    LayoutModel model;
    const QStringList lost = importKeyTexts(model, *texts);
    if (!lost.isEmpty()) {
        std::fprintf(stderr, "%s\n", importUnrepresentableMessage(lost).toUtf8().constData());
    }
    if (!WriteLayoutFile(model, args.at(1))) {
        std::fprintf(stderr, "%s\n", saveFailedMessage(args.at(1)).toUtf8().constData());
        return kExitWriteFailed;
    }
    return kExitOk;
}

} // namespace

int main(int argc, char* argv[]) {
    // Pictures are drawn with fonts, which need the GUI module; without a display it draws
    // offscreen. The file commands need nothing of it.
    bool picture = false;
    for (int i = 2; i < argc && std::strcmp(argv[1], "export") == 0; ++i) {
        picture = picture || isPictureOption(argv[i]);
    }
    if (picture && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QCoreApplication> app = picture
                                                ? std::make_unique<QGuiApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        return usage(nullptr);
    }
    const QString command = args.takeFirst();
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
        command == QStringLiteral("help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }

    bool yes = false;
    if (command == QStringLiteral("dump") || command == QStringLiteral("copy") ||
        command == QStringLiteral("install")) {
        if (!takeAnswer(args, yes)) {
            return usage("--answer takes yes or no, once");
        }
    }

    if (command == QStringLiteral("dump")) {
        if (args.size() != 1) {
            return usage("dump takes one file");
        }
        LayoutModel model;
        ConsoleMessenger messenger(yes);
        const bool read = ReadLayoutFile(model, args.at(0), messenger) == ReadOutcome::Read;
        std::printf("%s\n", dumpJson(model, messenger.prompts(), read).toUtf8().constData());
        return kExitOk;
    }
    if (command == QStringLiteral("copy")) {
        if (args.size() != 2) {
            return usage("copy takes an input and an output file");
        }
        LayoutModel model;
        ConsoleMessenger messenger(yes);
        if (ReadLayoutFile(model, args.at(0), messenger) != ReadOutcome::Read) {
            return kExitNotRead;
        }
        return writeOrReport(WriteLayoutFile(model, args.at(1)), args.at(1));
    }
    if (command == QStringLiteral("export")) {
        return runExport(args);
    }
    if (command == QStringLiteral("import")) {
        return runImport(args);
    }
    if (command == QStringLiteral("standard")) {
        if (args.size() != 1) {
            return usage("standard takes one output file");
        }
        return writeOrReport(writeFileAtomically(args.at(0), standardLayoutImage()), args.at(0));
    }
    if (command == QStringLiteral("install")) {
        if (args.size() != 1) {
            return usage("install takes one layout file");
        }
        LayoutModel model;
        ConsoleMessenger messenger(yes);
        if (ReadLayoutFile(model, args.at(0), messenger) != ReadOutcome::Read) {
            return kExitNotRead;
        }
        const common::SettingsStore settings = common::SettingsStore::standard();
        XkbLayoutInstaller installer;
        const InstallOutcome outcome = installLayoutFiles(model, systemLayoutPath(), installer,
                                                          persianLettersOnInstall(settings));
        if (outcome.result == InstallResult::Installed) {
            return kExitOk;
        }
        const bool written = outcome.result == InstallResult::ReloadFailed &&
                             outcome.reload.status == ReloadResult::SessionLoadFailed;
        std::fprintf(stderr, "%s\n%s\n",
                     (written ? installReloadFailedMessage() : installWriteFailedMessage())
                         .toUtf8()
                         .constData(),
                     outcome.reload.detail.toUtf8().constData());
        return written ? kExitNotLoaded : kExitWriteFailed;
    }
    return usage("unknown command");
}
