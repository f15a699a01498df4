// The zerva-convert command line.
#include "tools/zerva-convert/cli.h"

#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "common/settings_store.h"
#include "converter/cnv_texts.h"
#include "converter/conversion_table.h"
#include "converter/convert_file.h"
#include "converter/converter_messages.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cstdio>

namespace zerva::converter::cli {

namespace {

void printErr(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

void printOut(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

// The Persian messages of the cores, written to standard error; every box takes its preset
// answer, as when nobody is there to press a button.
class StderrMessenger : public common::Messenger {
public:
    using Messenger::MsgBox;
    int MsgBox(const common::MsgBoxArgs& args) override {
        printErr(args.prompt);
        return common::presetAnswer(args.button);
    }
    void systemMessage(const QString& text, const QString&) override { printErr(text); }
};

// Characters the target encoding has no counterpart for (written as its "?"): told on
// standard error; the conversion itself succeeded.
void reportNoCounterpart(qint64 count) {
    if (count > 0) {
        printErr(common::noCounterpartMessage(count));
    }
}

QString tableFolderOf(const Options& options) {
    if (!options.tableFolder.isEmpty()) {
        return options.tableFolder;
    }
    return common::installPath(common::SettingsStore::standard());
}

int listTables(const Options& options, common::Messenger& messenger) {
    const auto list = LoadTableList(tableFolderOf(options), messenger);
    if (!list) {
        return kExitFailed;
    }
    for (qsizetype i = 0; i < list->size(); ++i) {
        const TableListEntry& entry = list->at(i);
        printOut(QStringLiteral("%1\t%2\t%3")
                     .arg(i + 1)
                     .arg(entry.twoWay ? QStringLiteral("two-way") : QStringLiteral("one-way"),
                          entry.name));
    }
    return kExitOk;
}

// The table folder for the run, after checking the number against the list as the converter
// window does: it must name a listed table, and only a two-way table may be used from code
// page 1256. On failure, the exit code.
std::variant<QString, int> checkTableChoice(const Options& options, common::Messenger& messenger) {
    const QString folder = tableFolderOf(options);
    const auto list = LoadTableList(folder, messenger);
    if (!list) {
        return kExitFailed;
    }
    if (options.table > list->size()) {
        printErr(QStringLiteral("zerva-convert: there is no table %1 (the list has %2)")
                     .arg(options.table)
                     .arg(list->size()));
        return kExitUsage;
    }
    if (options.fromMs && !list->at(options.table - 1).twoWay) {
        printErr(QStringLiteral("zerva-convert: table %1 is one-way: --from-ms is not allowed")
                     .arg(options.table));
        return kExitUsage;
    }
    return folder;
}

std::variant<ConversionTable, int> loadTable(const Options& options, common::Messenger& messenger) {
    const auto folder = checkTableChoice(options, messenger);
    if (const int* code = std::get_if<int>(&folder)) {
        return *code;
    }
    auto table =
        LoadConversionTable(std::get<QString>(folder), options.table,
                            options.fromMs ? Direction::FromMs : Direction::ToMs, messenger);
    if (!table) {
        return kExitFailed;
    }
    return *table;
}

// The --out folder, created with its parents when it is missing; false when it cannot be
// created or written.
bool prepareOutFolder(const QString& folder) {
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        return false;
    }
    const QFileInfo out(folder);
    return out.isDir() && out.isWritable();
}

int convertFiles(const Options& options, WordService& word, common::Messenger& messenger) {
    const auto loaded = loadTable(options, messenger);
    if (const int* code = std::get_if<int>(&loaded)) {
        return *code;
    }
    const ConversionTable& table = std::get<ConversionTable>(loaded);
    if (!prepareOutFolder(options.outFolder)) {
        messenger.MsgBox(texts::kMsgCannotWrite(), common::kOkOnly, QString());
        return kExitFailed;
    }
    int result = kExitOk;
    QSet<QString> done; // a file named twice (or by two names) is converted once
    qint64 noCounterpart = 0;
    ConvertOptions convertOptions;
    convertOptions.output = options.utf8 ? TextOutput::Utf8 : TextOutput::CodePage1256;
    convertOptions.noCounterpart = &noCounterpart;
    FileConverter converter(table, options.reorder, word, messenger, convertOptions);
    const auto failed = [&](const QString& path, ConvertStatus status) {
        messenger.MsgBox(conversionFailedMessage(status, QFileInfo(path).fileName()),
                         common::kOkOnly, QString());
        result = kExitFailed;
    };
    QStringList paths;
    for (const QString& path : options.paths) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty() && done.contains(canonical)) {
            continue;
        }
        done.insert(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
        paths << path;
    }
    // The Word documents go to the engine together, each way.
    converter.beginBatch(paths);
    for (const QString& path : std::as_const(paths)) {
        const QString destination = QDir(options.outFolder).filePath(QFileInfo(path).fileName());
        const FileConversion conversion = converter.convert(path, destination);
        switch (conversion.outcome) {
        case FileConversion::Converted:
        case FileConversion::Pending:
            break;
        case FileConversion::NotConvertible:
            printErr(QStringLiteral("zerva-convert: %1: not a .txt, .rtf, .doc, .docx or .odt file")
                         .arg(path));
            result = kExitFailed;
            break;
        case FileConversion::NoWordEngine:
            // Told once, when the engine could not be started.
            result = kExitFailed;
            break;
        case FileConversion::Failed:
            failed(path, conversion.status);
            break;
        }
    }
    for (const FileConverter::Finished& document : converter.finishBatch()) {
        if (document.result.outcome != FileConversion::Converted) {
            failed(document.source, document.result.status);
        }
    }
    converter.quitWord();
    reportNoCounterpart(noCounterpart);
    return result;
}

// IN's bytes through the clipboard converter's own table loader and conversions, as the
// clipboard program would treat them, into OUT.
int convertClipboardBytes(const Options& options, common::Messenger& messenger) {
    const auto folder = checkTableChoice(options, messenger);
    if (const int* code = std::get_if<int>(&folder)) {
        return *code;
    }
    const auto table = clipboard::LoadClipboardTable(
        std::get<QString>(folder), options.table,
        options.fromMs ? clipboard::Direction::FromMs : clipboard::Direction::ToMs, messenger);
    if (!table) {
        return kExitFailed;
    }
    const QString& in = options.paths.at(0);
    const QString& out = options.paths.at(1);
    const auto format = options.mode == Mode::ClipboardRtf ? clipboard::ClipboardFormat::Rtf
                                                           : clipboard::ClipboardFormat::Text;
    qint64 noCounterpart = 0;
    switch (clipboard::ConvertClipboardFile(*table, format, in, out, &noCounterpart)) {
    case clipboard::FileResult::Ok:
        reportNoCounterpart(noCounterpart);
        return kExitOk;
    case clipboard::FileResult::ReadFailed:
        messenger.MsgBox(fileFailedMessage(QFileInfo(in).fileName()), common::kOkOnly, QString());
        return kExitFailed;
    case clipboard::FileResult::NotRegular:
        messenger.MsgBox(notRegularFileMessage(QFileInfo(in).fileName()), common::kOkOnly,
                         QString());
        return kExitFailed;
    case clipboard::FileResult::WriteFailed:
        messenger.MsgBox(writeFailedMessage(), common::kOkOnly, QString());
        return kExitFailed;
    }
    return kExitFailed;
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "usage: zerva-convert [--tables DIR] --table N [--from-ms] [--rtl|--ltr|--logical] "
        "[--utf8] --out DIR FILE...\n"
        "       zerva-convert [--tables DIR] --table N [--from-ms] "
        "--clipboard-text|--clipboard-rtf IN OUT\n"
        "       zerva-convert [--tables DIR] --list\n"
        "Converts .txt, .rtf and Word documents (.doc, .docx, .odt) with table N\n"
        "(TABLE<N>.INI of the table folder) into DIR under the same names; DIR is created\n"
        "when it is missing. The converter goes by the end of a name, in any case. Word\n"
        "documents need LibreOffice (soffice): it saves them all as RTF in one start, and\n"
        "the converted RTF back in one start per format; each document keeps its format.\n"
        "--from-ms converts from code page 1256 (two-way tables). For text files:\n"
        "  --logical  for files written by DOS-era programs in display order: each line is\n"
        "             put into the order it is read in (the inverse of the Unicode\n"
        "             bidirectional algorithm), so today's programs show it right;\n"
        "  --rtl, --ltr  reorder each line as the original converter's walks did, for\n"
        "             programs that show text without reordering it;\n"
        "  --utf8     writes UTF-8, for files to open in today's programs (towards code page\n"
        "             1256 only; each character the legacy encoding has, such as Persian yeh\n"
        "             and the Persian digits, is kept, in every order). RTF and Word\n"
        "             documents then carry converted characters as \\uN with code page\n"
        "             1256 fallbacks.\n"
        "RTF is read as RTF: escapes, and \\uN of characters the font of their run has as\n"
        "a byte (how legacy bytes look once a program of today saved the document), are\n"
        "converted; everything else is kept. Towards code page 1256 the result declares\n"
        "code page 1256 (\\ansicpg1256, \\fcharset178 for the fonts whose text changed).\n"
        "--clipboard-text and --clipboard-rtf convert the bytes of IN into OUT with the\n"
        "clipboard converter's table loader and rules, as code page 1256 text or as RTF.\n"
        "The table folder defaults to the installation folder. Characters the target\n"
        "encoding has no counterpart for are written as its \"?\" and their number is told\n"
        "on standard error.\n");
}

std::variant<Options, QString> parseArguments(const QStringList& args) {
    Options options;
    bool list = false;
    bool help = false;
    int clipboardModes = 0;
    bool tableGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&](QString& into) -> bool {
            if (i + 1 >= args.size()) {
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            help = true;
        } else if (arg == QStringLiteral("--list")) {
            list = true;
        } else if (arg == QStringLiteral("--tables")) {
            if (!value(options.tableFolder) || options.tableFolder.isEmpty()) {
                return QStringLiteral("--tables needs a folder");
            }
        } else if (arg == QStringLiteral("--out")) {
            if (!value(options.outFolder) || options.outFolder.isEmpty()) {
                return QStringLiteral("--out needs a folder");
            }
        } else if (arg == QStringLiteral("--table")) {
            QString number;
            bool ok = false;
            if (value(number)) {
                options.table = number.toInt(&ok);
            }
            if (!ok || options.table < 1) {
                return QStringLiteral("--table needs a table number from 1 on");
            }
            tableGiven = true;
        } else if (arg == QStringLiteral("--from-ms")) {
            options.fromMs = true;
        } else if (arg == QStringLiteral("--rtl") || arg == QStringLiteral("--ltr") ||
                   arg == QStringLiteral("--logical")) {
            if (options.reorder != Reorder::None) {
                return QStringLiteral("--rtl, --ltr and --logical exclude each other");
            }
            options.reorder = arg == QStringLiteral("--rtl")   ? Reorder::RightToLeft
                              : arg == QStringLiteral("--ltr") ? Reorder::LeftToRight
                                                               : Reorder::Logical;
        } else if (arg == QStringLiteral("--utf8")) {
            options.utf8 = true;
        } else if (arg == QStringLiteral("--clipboard-text") ||
                   arg == QStringLiteral("--clipboard-rtf")) {
            options.mode = arg == QStringLiteral("--clipboard-text") ? Mode::ClipboardText
                                                                     : Mode::ClipboardRtf;
            ++clipboardModes;
        } else if (arg == QStringLiteral("--")) {
            options.paths.append(args.mid(i + 1));
            break;
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            return QStringLiteral("unknown option %1").arg(arg);
        } else {
            options.paths.append(arg);
        }
    }
    if (help) {
        options.mode = Mode::Help;
        return options;
    }
    if (list) {
        if (clipboardModes > 0 || tableGiven || !options.paths.isEmpty()) {
            return QStringLiteral("--list takes no table and no files");
        }
        options.mode = Mode::List;
        return options;
    }
    if (!tableGiven) {
        return QStringLiteral("--table N is required");
    }
    if (clipboardModes > 1) {
        return QStringLiteral("give one of --clipboard-text and --clipboard-rtf");
    }
    if (clipboardModes == 1) {
        if (options.reorder != Reorder::None || options.utf8 || !options.outFolder.isEmpty()) {
            return QStringLiteral(
                "--rtl, --ltr, --logical, --utf8 and --out do not apply to the clipboard modes");
        }
        if (options.paths.size() != 2) {
            return QStringLiteral("the clipboard modes take IN and OUT");
        }
        return options;
    }
    if (options.utf8 && options.fromMs) {
        return QStringLiteral(
            "--utf8 writes UTF-8 towards code page 1256 only, not with --from-ms");
    }
    if (options.outFolder.isEmpty()) {
        return QStringLiteral("--out DIR is required");
    }
    if (options.paths.isEmpty()) {
        return QStringLiteral("no files to convert");
    }
    return options;
}

int run(const Options& options, WordService& word) {
    StderrMessenger messenger;
    switch (options.mode) {
    case Mode::Help:
        std::fputs(usageText().toUtf8().constData(), stdout);
        return kExitOk;
    case Mode::List:
        return listTables(options, messenger);
    case Mode::Files:
        return convertFiles(options, word, messenger);
    case Mode::ClipboardText:
    case Mode::ClipboardRtf:
        return convertClipboardBytes(options, messenger);
    }
    return kExitUsage;
}

} // namespace zerva::converter::cli
