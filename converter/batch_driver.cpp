// The conversion run behind the window's convert button.
#include "converter/batch_driver.h"

#include "common/atomic_file.h"

#include "converter/cnv_texts.h"
#include "converter/converter_messages.h"
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "converter/word_rtf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

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
        : m_settings(settings), m_window(window), m_wordService(word), m_messenger(messenger),
          m_table(std::move(table)), m_source(folderPrefix(settings.sourceFolder)),
          m_destination(folderPrefix(settings.destinationFolder)) {
        m_options.noCounterpart = &m_fileNoCounterpart;
    }

    RunOutcome go();

private:
    enum class FileResult { Done, Skipped, Failed };
    FileResult convert(int index, int number, int count);
    FileResult convertWord(int index, const QString& source, const QString& destination,
                           const QString& status);
    bool startWord();
    void quitWord();

    const RunSettings& m_settings;
    RunWindow& m_window;
    WordService& m_wordService;
    common::Messenger& m_messenger;
    ConversionTable m_table;
    QString m_source;
    QString m_destination;
    std::unique_ptr<WordDocuments> m_word;
    bool m_wordUsable = true;
    std::unique_ptr<QTemporaryDir> m_wordFolder;
    ConvertStatus m_lastStatus = ConvertStatus::Success;
    // Characters without a counterpart: of the file being converted, and of the files done.
    qint64 m_fileNoCounterpart = 0;
    qint64 m_noCounterpart = 0;
    ConvertOptions m_options;
};

RunOutcome Run::go() {
    int count = 0;
    for (int i = 0; i < m_window.fileCount(); ++i) {
        count += m_window.isSelected(i) ? 1 : 0;
    }
    int number = 0;
    for (int i = 0; i < m_window.fileCount(); ++i) {
        if (!m_window.isSelected(i)) {
            continue;
        }
        ++number;
        for (;;) {
            if (convert(i, number, count) != FileResult::Failed) {
                break;
            }
            common::MsgBoxArgs args;
            args.prompt = conversionFailedMessage(m_lastStatus, m_window.fileName(i));
            args.button = common::kYesNoCancel;
            args.yesCaption = texts::kNext();
            args.noCaption = texts::kRetry();
            args.cancelCaption = texts::kCancel();
            const int answer = m_messenger.MsgBox(args);
            m_window.ShowIdle();
            if (answer == 0) {
                break;
            }
            if (answer != 1) {
                quitWord();
                return RunOutcome::Stopped;
            }
        }
    }
    quitWord();
    m_messenger.MsgBox(completionNotice(m_noCounterpart));
    return RunOutcome::Finished;
}

Run::FileResult Run::convert(int index, int number, int count) {
    m_lastStatus = ConvertStatus::Success;
    if (!m_window.isSelected(index)) {
        return FileResult::Skipped;
    }
    m_fileNoCounterpart = 0;
    const QString name = m_window.fileName(index);
    const QString source = m_source + name;
    const QString destination = m_destination + name;
    if (QFileInfo::exists(destination) && !m_settings.overwrite) {
        return FileResult::Skipped;
    }
    const QString status = busyStatusText(name, number, count);
    const QString extension = conversionExtension(name);
    if (extension == QLatin1String("doc")) {
        if (!m_wordUsable) {
            return FileResult::Skipped;
        }
        return convertWord(index, source, destination, status);
    }

    ConvertStatus result = ConvertStatus::SourceUnreadable;
    if (extension == QLatin1String("rtf")) {
        m_window.ShowBusy(index, status);
        result = ConvertRtfFile(source, destination, m_table, m_messenger, m_options);
    } else if (extension == QLatin1String("txt")) {
        m_window.ShowBusy(index, status);
        switch (m_settings.reorder) {
        case Reorder::RightToLeft:
            result = ConvertTextFileRtl(source, destination, m_table, m_messenger, m_options);
            break;
        case Reorder::LeftToRight:
            result = ConvertTextFileLtr(source, destination, m_table, m_messenger, m_options);
            break;
        case Reorder::None:
            result = ConvertTextFile(source, destination, m_table, m_messenger, m_options);
            break;
        }
    } else {
        return FileResult::Skipped;
    }
    m_lastStatus = result;
    if (!succeeded(result)) {
        return FileResult::Failed;
    }
    m_noCounterpart += m_fileNoCounterpart;
    m_window.ShowDone(index);
    return FileResult::Done;
}

bool Run::startWord() {
    if (m_word) {
        return true;
    }
    WordStartError error = WordStartError::None;
    m_word = m_wordService.create(error);
    if (!m_word) {
        if (error == WordStartError::CannotCreate) {
            m_messenger.MsgBox(texts::kMsgInstallWord(), common::kOkOnly, common::errorTitle());
        }
        m_wordUsable = false;
        m_window.ShowIdle();
        return false;
    }
    return true;
}

Run::FileResult Run::convertWord(int index, const QString& source, const QString& destination,
                                 const QString& status) {
    if (!startWord()) {
        return FileResult::Skipped;
    }
    m_window.ShowBusy(index, status);
    // The intermediate files live in a folder of this run's own.
    if (!m_wordFolder) {
        m_wordFolder = std::make_unique<QTemporaryDir>();
        if (!m_wordFolder->isValid()) {
            m_wordFolder.reset();
            return FileResult::Failed;
        }
    }
    const QString docToRtf = m_wordFolder->filePath(QStringLiteral("DocToRTF.rtf"));
    const QString bytesRtf = m_wordFolder->filePath(QStringLiteral("CodePage.rtf"));
    const QString correctBytes = m_wordFolder->filePath(QStringLiteral("CorrectBytes.rtf"));
    const QString correctRtf = m_wordFolder->filePath(QStringLiteral("CorrectRTF.rtf"));
    const QString converted = m_wordFolder->filePath(QStringLiteral("Converted.doc"));
    const auto cleanUp = [&] {
        for (const QString& f : {docToRtf, bytesRtf, correctBytes, correctRtf, converted}) {
            QFile::remove(f);
        }
    };
    const bool ok =
        m_word->saveAsRtf(source, docToRtf) && rtfUnicodeToCodePage(docToRtf, bytesRtf) &&
        succeeded(ConvertRtfFile(bytesRtf, correctBytes, m_table, m_messenger, m_options)) &&
        rtfCodePageToUnicode(correctBytes, correctRtf) &&
        m_word->saveAsWord(correctRtf, converted) &&
        common::copyFileAtomically(converted, destination).ok;
    cleanUp();
    if (!ok) {
        return FileResult::Failed;
    }
    m_noCounterpart += m_fileNoCounterpart;
    m_window.ShowDone(index);
    return FileResult::Done;
}

void Run::quitWord() {
    if (m_word) {
        m_word->Quit();
        m_word.reset();
    }
}

} // namespace

common::MsgBoxArgs completionNotice(qint64 noCounterpart) {
    common::MsgBoxArgs done;
    const QString blanks(10, QLatin1Char(' '));
    done.prompt = blanks + texts::kMsgDone() + blanks;
    if (noCounterpart > 0) {
        // A loss is told until the user has seen it.
        done.prompt += QLatin1Char('\n') + common::noCounterpartMessage(noCounterpart);
    } else {
        done.intervalTime = 3000;
    }
    return done;
}

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

QString conversionExtension(const QString& name) {
    return name.right(3).toLower();
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
