// The choice of converter for a file, and the Word document path, alone and in batches.
#include "converter/convert_file.h"

#include "common/atomic_file.h"
#include "converter/cnv_texts.h"
#include "converter/rtf_convert.h"

#include <QFile>
#include <QTemporaryDir>

namespace zerva::converter {

FileKind fileKindOf(const QString& name) {
    const QString extension = name.right(3).toLower();
    if (extension == QLatin1String("txt")) {
        return FileKind::Text;
    }
    if (extension == QLatin1String("rtf")) {
        return FileKind::Rtf;
    }
    if (extension == QLatin1String("doc") || extension == QLatin1String("odt") ||
        name.right(4).toLower() == QLatin1String("docx")) {
        return FileKind::Word;
    }
    return FileKind::Other;
}

QString wordFormatOf(const QString& name) {
    if (name.right(4).toLower() == QLatin1String("docx")) {
        return QStringLiteral("docx");
    }
    if (name.right(3).toLower() == QLatin1String("odt")) {
        return QStringLiteral("odt");
    }
    return QStringLiteral("doc");
}

FileConverter::FileConverter(const ConversionTable& table, Reorder reorder, WordService& word,
                             common::Messenger& messenger, ConvertOptions options)
    : m_table(table), m_reorder(reorder), m_wordService(word), m_messenger(messenger),
      m_options(std::move(options)) {}

FileConverter::~FileConverter() {
    quitWord();
}

FileConversion FileConverter::convert(const QString& source, const QString& destination,
                                      const std::function<void()>& starting) {
    ConvertStatus status = ConvertStatus::Success;
    switch (fileKindOf(source)) {
    case FileKind::Other:
        return {FileConversion::NotConvertible, ConvertStatus::Success};
    case FileKind::Word:
        return convertWord(source, destination, starting);
    case FileKind::Rtf:
        if (starting) {
            starting();
        }
        status = ConvertRtfFile(source, destination, m_table, m_messenger, m_options);
        break;
    case FileKind::Text:
        if (starting) {
            starting();
        }
        status = convertText(source, destination);
        break;
    }
    return {succeeded(status) ? FileConversion::Converted : FileConversion::Failed, status};
}

ConvertStatus FileConverter::convertText(const QString& source, const QString& destination) {
    switch (m_reorder) {
    case Reorder::RightToLeft:
        return ConvertTextFileRtl(source, destination, m_table, m_messenger, m_options);
    case Reorder::LeftToRight:
        return ConvertTextFileLtr(source, destination, m_table, m_messenger, m_options);
    case Reorder::Logical:
        return ConvertTextFileLogical(source, destination, m_table, m_messenger, m_options);
    case Reorder::None:
        break;
    }
    return ConvertTextFile(source, destination, m_table, m_messenger, m_options);
}

bool FileConverter::startWord() {
    if (m_word) {
        return true;
    }
    if (!m_wordUsable) {
        return false;
    }
    WordStartError error = WordStartError::None;
    m_word = m_wordService.create(error);
    if (m_word) {
        return true;
    }
    if (error == WordStartError::CannotCreate) {
        m_messenger.MsgBox(texts::kMsgInstallWord(), common::kOkOnly, common::errorTitle());
    }
    m_wordUsable = false;
    return false;
}

bool FileConverter::makeWordFolder() {
    if (!m_wordFolder) {
        m_wordFolder = std::make_unique<QTemporaryDir>();
        if (!m_wordFolder->isValid()) {
            m_wordFolder.reset();
            return false;
        }
    }
    return true;
}

QString FileConverter::wordFile(const QString& name) const {
    return m_wordFolder->filePath(name);
}

// The RTF the engine wrote, converted into converted by the RTF converter. It reads the \uN
// the engine writes (legacy bytes shown in a Latin font come back as their bytes) and writes
// converted characters back as \uN with code page 1256 fallbacks.
ConvertStatus FileConverter::convertWordRtf(const QString& rtf, const QString& converted) {
    return ConvertRtfFile(rtf, converted, m_table, m_messenger, m_options);
}

FileConversion FileConverter::convertWord(const QString& source, const QString& destination,
                                          const std::function<void()>& starting) {
    if (!startWord()) {
        return {FileConversion::NoWordEngine, ConvertStatus::Success};
    }
    if (starting) {
        starting();
    }
    const auto prepared = m_batch ? m_batchRtf.find(source) : m_batchRtf.end();
    if (prepared == m_batchRtf.end()) {
        return convertOneWord(source, destination);
    }
    const QString rtf = prepared.value();
    m_batchRtf.erase(prepared);
    const QString converted = rtf + QStringLiteral(".converted.rtf");
    const ConvertStatus status = convertWordRtf(rtf, converted);
    QFile::remove(rtf);
    if (!succeeded(status)) {
        QFile::remove(converted);
        return {FileConversion::Failed, status};
    }
    m_pending.push_back(
        {source, destination, converted, rtf + QLatin1Char('.') + wordFormatOf(source)});
    return {FileConversion::Pending, status};
}

// A document alone: the engine saves it as RTF, the RTF is converted, the engine saves the
// result in the document's own format, and that file is copied into place by the atomic
// writer, so a failure leaves the destination as it was.
FileConversion FileConverter::convertOneWord(const QString& source, const QString& destination) {
    if (!makeWordFolder()) {
        return {FileConversion::Failed, ConvertStatus::DestinationUncreatable};
    }
    const QString base = wordFile(QString::number(++m_files));
    const QString rtf = base + QStringLiteral(".rtf");
    const QString converted = base + QStringLiteral(".converted.rtf");
    const QString document = base + QLatin1Char('.') + wordFormatOf(source);
    ConvertStatus status = ConvertStatus::Success;
    if (!m_word->saveOneAsRtf(source, rtf)) {
        status = ConvertStatus::SourceUnreadable;
    } else {
        status = convertWordRtf(rtf, converted);
        if (succeeded(status) && (!m_word->saveOneAsWord(converted, document) ||
                                  !common::copyFileAtomically(document, destination).ok)) {
            status = ConvertStatus::WriteFailed;
        }
    }
    for (const QString& f : {rtf, converted, document}) {
        QFile::remove(f);
    }
    return {succeeded(status) ? FileConversion::Converted : FileConversion::Failed, status};
}

void FileConverter::beginBatch(const QStringList& sources, const std::function<void()>& starting) {
    m_batch = true;
    m_batchRtf.clear();
    m_pending.clear();
    QStringList documents;
    for (const QString& source : sources) {
        if (fileKindOf(source) == FileKind::Word && !documents.contains(source)) {
            documents << source;
        }
    }
    if (documents.isEmpty() || !startWord() || !makeWordFolder()) {
        return;
    }
    std::vector<WordJob> jobs;
    for (const QString& source : documents) {
        jobs.push_back({source, wordFile(QString::number(++m_files) + QStringLiteral(".rtf"))});
    }
    if (starting) {
        starting();
    }
    const std::vector<bool> done = m_word->saveAsRtf(jobs);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (i < done.size() && done[i]) {
            m_batchRtf.insert(jobs[i].input, jobs[i].output);
        } else {
            QFile::remove(jobs[i].output);
        }
    }
}

std::vector<FileConverter::Finished>
FileConverter::finishBatch(const std::function<void()>& starting) {
    m_batch = false;
    for (const QString& rtf : std::as_const(m_batchRtf)) {
        QFile::remove(rtf);
    }
    m_batchRtf.clear();
    const std::vector<Pending> pending = std::move(m_pending);
    m_pending.clear();
    std::vector<WordJob> jobs;
    for (const Pending& p : pending) {
        jobs.push_back({p.rtf, p.document});
    }
    std::vector<bool> done(jobs.size(), false);
    if (m_word && !jobs.empty()) {
        if (starting) {
            starting();
        }
        done = m_word->saveAsWord(jobs);
    }
    std::vector<Finished> finished;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const Pending& p = pending[i];
        const bool placed =
            i < done.size() && done[i] && common::copyFileAtomically(p.document, p.destination).ok;
        finished.push_back(
            {p.source, p.destination,
             placed ? FileConversion{FileConversion::Converted, ConvertStatus::Success}
                    : FileConversion{FileConversion::Failed, ConvertStatus::WriteFailed}});
        QFile::remove(p.rtf);
        QFile::remove(p.document);
    }
    return finished;
}

void FileConverter::quitWord() {
    m_batch = false;
    m_batchRtf.clear();
    m_pending.clear(); // their files go with the run's folder
    if (m_word) {
        m_word->Quit();
        m_word.reset();
    }
}

} // namespace zerva::converter
