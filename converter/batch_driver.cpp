// The conversion run behind the window's convert button.
#include "converter/batch_driver.h"

#include "common/shared_texts.h"

#include "converter/cnv_texts.h"
#include "converter/convert_file.h"
#include "converter/converter_messages.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>

namespace zerva::converter {

namespace {

QString folderPrefix(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))
               ? folder
               : folder + QLatin1Char('/');
}

QString normalisedFolder(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The write test: a file of our own making, so nothing of the user's is touched.
bool destinationWritable(const QString& prefix) {
    QTemporaryFile probe(prefix + QStringLiteral("Moveghat.XXXXXX.FMA"));
    return probe.open() && probe.write("0", 1) == 1 && probe.flush();
}

class Run {
public:
    Run(const RunSettings& settings, RunWindow& window, WordService& word,
        common::Messenger& messenger, ConversionTable table)
        : m_settings(settings), m_window(window), m_messenger(messenger), m_table(std::move(table)),
          m_source(folderPrefix(settings.sourceFolder)),
          m_destination(folderPrefix(settings.destinationFolder)),
          m_files(m_table, settings.reorder, word, messenger,
                  optionsCounting(m_fileNoCounterpart, settings.output)) {}

    RunOutcome go();

private:
    enum class FileResult { Done, Skipped, Failed, Pending };
    // A Word document converted but not yet in place.
    struct Pending {
        int index = 0;
        int number = 0;
        qint64 noCounterpart = 0;
    };

    FileResult convert(int index, int number, int count);
    // Whether the file would be converted: a file of that name in the destination is
    // replaced only with Replace set.
    bool wanted(const QString& name) const;
    // The failure dialog for the file, converting it again while the user asks to; false
    // when the user stops the run.
    bool afterFailure(int index, int number, int count);
    static ConvertOptions optionsCounting(qint64& noCounterpart, TextOutput output) {
        ConvertOptions options;
        options.noCounterpart = &noCounterpart;
        options.output = output;
        return options;
    }

    const RunSettings& m_settings;
    RunWindow& m_window;
    common::Messenger& m_messenger;
    ConversionTable m_table;
    QString m_source;
    QString m_destination;
    ConvertStatus m_lastStatus = ConvertStatus::Success;
    // Characters without a counterpart: of the file being converted, and of the files done.
    qint64 m_fileNoCounterpart = 0;
    qint64 m_noCounterpart = 0;
    QHash<QString, Pending> m_pending; // by source path
    FileConverter m_files;
};

RunOutcome Run::go() {
    int count = 0;
    QStringList words; // the Word documents the run will convert, handed to the engine at once
    int firstWord = -1;
    int firstWordNumber = 0;
    for (int i = 0; i < m_window.fileCount(); ++i) {
        if (m_window.isSelected(i)) {
            ++count;
            const QString name = m_window.fileName(i);
            if (fileKindOf(name) == FileKind::Word && wanted(name)) {
                words << m_source + name;
                if (firstWord < 0) {
                    firstWord = i;
                    firstWordNumber = count;
                }
            }
        }
    }
    // While the engine works on all of them, the status line names the first.
    m_files.beginBatch(words, [&] {
        m_window.ShowBusy(firstWord,
                          busyStatusText(m_window.fileName(firstWord), firstWordNumber, count));
    });
    int number = 0;
    for (int i = 0; i < m_window.fileCount(); ++i) {
        if (!m_window.isSelected(i)) {
            continue;
        }
        ++number;
        if (convert(i, number, count) == FileResult::Failed && !afterFailure(i, number, count)) {
            return RunOutcome::Stopped;
        }
    }
    // The Word documents converted above are saved back and put in place.
    const auto saving = [&] {
        if (!m_pending.isEmpty()) {
            const Pending& first = *std::min_element(
                m_pending.cbegin(), m_pending.cend(),
                [](const Pending& a, const Pending& b) { return a.index < b.index; });
            m_window.ShowBusy(first.index,
                              busyStatusText(m_window.fileName(first.index), first.number, count));
        }
    };
    // Those in place are done before any question, so that stopping at one leaves the
    // window right about the others.
    const std::vector<FileConverter::Finished> finished = m_files.finishBatch(saving);
    for (const FileConverter::Finished& done : finished) {
        const auto pending = m_pending.constFind(done.source);
        if (pending != m_pending.cend() && done.result.outcome == FileConversion::Converted) {
            m_noCounterpart += pending->noCounterpart;
            m_window.ShowDone(pending->index);
        }
    }
    for (const FileConverter::Finished& done : finished) {
        const auto pending = m_pending.constFind(done.source);
        if (pending != m_pending.cend() && done.result.outcome != FileConversion::Converted) {
            m_lastStatus = done.result.status;
            if (!afterFailure(pending->index, pending->number, count)) {
                return RunOutcome::Stopped;
            }
        }
    }
    m_pending.clear();
    m_files.quitWord();
    m_messenger.MsgBox(common::completionNotice(m_noCounterpart));
    return RunOutcome::Finished;
}

bool Run::wanted(const QString& name) const {
    return m_settings.overwrite || !QFileInfo::exists(m_destination + name);
}

bool Run::afterFailure(int index, int number, int count) {
    for (;;) {
        common::MsgBoxArgs args;
        args.prompt = conversionFailedMessage(m_lastStatus, m_window.fileName(index));
        args.button = common::kYesNoCancel;
        args.yesCaption = texts::kNext();
        args.noCaption = texts::kRetry();
        args.cancelCaption = texts::kCancel();
        const int answer = m_messenger.MsgBox(args);
        m_window.ShowIdle();
        if (answer == 0) {
            return true;
        }
        if (answer != 1) {
            m_files.quitWord();
            return false;
        }
        if (convert(index, number, count) != FileResult::Failed) {
            return true;
        }
    }
}

Run::FileResult Run::convert(int index, int number, int count) {
    m_lastStatus = ConvertStatus::Success;
    if (!m_window.isSelected(index)) {
        return FileResult::Skipped;
    }
    m_fileNoCounterpart = 0;
    const QString name = m_window.fileName(index);
    const QString destination = m_destination + name;
    if (!wanted(name)) {
        return FileResult::Skipped;
    }
    const QString status = busyStatusText(name, number, count);
    const FileConversion result =
        m_files.convert(m_source + name, destination, [&] { m_window.ShowBusy(index, status); });
    switch (result.outcome) {
    case FileConversion::NotConvertible:
        return FileResult::Skipped;
    case FileConversion::NoWordEngine:
        m_window.ShowIdle();
        return FileResult::Skipped;
    case FileConversion::Failed:
        m_lastStatus = result.status;
        return FileResult::Failed;
    case FileConversion::Pending:
        m_pending.insert(m_source + name, {index, number, m_fileNoCounterpart});
        return FileResult::Pending;
    case FileConversion::Converted:
        break;
    }
    m_noCounterpart += m_fileNoCounterpart;
    m_window.ShowDone(index);
    return FileResult::Done;
}

} // namespace

QString busyStatusText(const QString& name, int number, int count) {
    // The name is isolated so that a Latin name and its quotes keep their order in the
    // right-to-left line.
    return texts::kBusyHead() + QLatin1Char('"') + QChar(0x2068) + name + QChar(0x2069) +
           QStringLiteral("\". (") + QString::number(number) + QLatin1Char('/') +
           QString::number(count) + QLatin1Char(')');
}

bool sameFolder(const QString& a, const QString& b) {
    return normalisedFolder(a) == normalisedFolder(b);
}

RunOutcome RunConversion(const RunSettings& settings, RunWindow& window, WordService& word,
                         common::Messenger& messenger) {
    if (!settings.overwrite && sameFolder(settings.sourceFolder, settings.destinationFolder)) {
        messenger.MsgBox(texts::kMsgNeedsReplaceHead() + QStringLiteral("\n\r") +
                             texts::kMsgNeedsReplaceTail(),
                         common::kOkOnly, common::noticeTitle());
        return RunOutcome::NeedsOverwrite;
    }
    auto table = LoadConversionTable(settings.tableFolder, settings.tableNumber, settings.direction,
                                     messenger);
    if (!table) {
        return RunOutcome::TableFailed;
    }
    if (!destinationWritable(folderPrefix(settings.destinationFolder))) {
        messenger.MsgBox(texts::kMsgCannotWrite(), common::kOkOnly, QString());
        return RunOutcome::DestinationNotWritable;
    }
    Run run(settings, window, word, messenger, std::move(*table));
    return run.go();
}

} // namespace zerva::converter
