// The choice of converter for a file, and the Word document path.
#include "converter/convert_file.h"

#include "common/atomic_file.h"
#include "converter/cnv_texts.h"
#include "converter/rtf_convert.h"
#include "converter/word_rtf.h"

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
    if (extension == QLatin1String("doc")) {
        return FileKind::Word;
    }
    return FileKind::Other;
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

// The engine saves the document as RTF, its Unicode characters become code page 1256
// escapes, the table converts those, they go back to Unicode with the converted bytes as
// fallback, and the engine saves the result as a Word document; that file is then copied
// into place by the atomic writer, so a failure leaves the destination as it was.
FileConversion FileConverter::convertWord(const QString& source, const QString& destination,
                                          const std::function<void()>& starting) {
    if (!startWord()) {
        return {FileConversion::NoWordEngine, ConvertStatus::Success};
    }
    if (starting) {
        starting();
    }
    if (!m_wordFolder) {
        m_wordFolder = std::make_unique<QTemporaryDir>();
        if (!m_wordFolder->isValid()) {
            m_wordFolder.reset();
            return {FileConversion::Failed, ConvertStatus::DestinationUncreatable};
        }
    }
    const QString docToRtf = m_wordFolder->filePath(QStringLiteral("DocToRTF.rtf"));
    const QString bytesRtf = m_wordFolder->filePath(QStringLiteral("CodePage.rtf"));
    const QString correctBytes = m_wordFolder->filePath(QStringLiteral("CorrectBytes.rtf"));
    const QString correctRtf = m_wordFolder->filePath(QStringLiteral("CorrectRTF.rtf"));
    const QString converted = m_wordFolder->filePath(QStringLiteral("Converted.doc"));

    ConvertStatus status = ConvertStatus::Success;
    if (!m_word->saveAsRtf(source, docToRtf)) {
        status = ConvertStatus::SourceUnreadable;
    } else if (!rtfUnicodeToCodePage(docToRtf, bytesRtf)) {
        status = ConvertStatus::ReadFailed;
    } else {
        status = ConvertRtfFile(bytesRtf, correctBytes, m_table, m_messenger, m_options);
        if (succeeded(status)) {
            if (!rtfCodePageToUnicode(correctBytes, correctRtf) ||
                !m_word->saveAsWord(correctRtf, converted) ||
                !common::copyFileAtomically(converted, destination).ok) {
                status = ConvertStatus::WriteFailed;
            }
        }
    }
    for (const QString& f : {docToRtf, bytesRtf, correctBytes, correctRtf, converted}) {
        QFile::remove(f);
    }
    return {succeeded(status) ? FileConversion::Converted : FileConversion::Failed, status};
}

void FileConverter::quitWord() {
    if (m_word) {
        m_word->Quit();
        m_word.reset();
    }
}

} // namespace zerva::converter
