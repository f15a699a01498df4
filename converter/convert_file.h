// One way to convert a file, for the converter window's runs and for zerva-convert: the
// converter is chosen by the file's extension (.txt with or without reordering, .rtf, Word
// documents .doc, .docx and .odt through the Word engine), and the Word engine of a run is
// started on its first Word document and quit at its end. A batch hands the engine all its
// Word documents at once, each way.
#pragma once

#include "common/messages.h"
#include "converter/conversion_table.h"
#include "converter/text_convert.h"
#include "converter/word_engine.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QTemporaryDir;

namespace zerva::converter {

// Reordering of the lines of text files: the original's walks (only offered for one-way
// tables), or logical order for files stored in display order.
enum class Reorder {
    None,
    RightToLeft,
    LeftToRight,
    Logical,
};

enum class FileKind {
    Text,
    Rtf,
    Word,
    Other, // not a file the converter converts
};

// The kind of a file by its name, in any letter case: the last three characters ("txt",
// "rtf", "doc", "odt") or the last four ("docx"); a name ending in ".TEXT" is of no kind we
// convert.
FileKind fileKindOf(const QString& name);

// The format of a Word document by its name, as its extension in lower case: "docx", "odt",
// or "doc" for any other.
QString wordFormatOf(const QString& name);

struct FileConversion {
    enum Outcome {
        Converted,
        Failed,         // status says why
        NotConvertible, // FileKind::Other: nothing was done
        NoWordEngine,   // a Word document, and this run has no Word engine (the user was told)
        Pending,        // a Word document of a batch, converted; finishBatch puts it in place
    };
    Outcome outcome = Failed;
    ConvertStatus status = ConvertStatus::Success;
};

// Converts files one at a time with one table and reordering. Characters without a
// counterpart are added to options.noCounterpart when it is set.
class FileConverter {
public:
    FileConverter(const ConversionTable& table, Reorder reorder, WordService& word,
                  common::Messenger& messenger, ConvertOptions options = {});
    ~FileConverter();
    FileConverter(const FileConverter&) = delete;
    FileConverter& operator=(const FileConverter&) = delete;

    // Converts source into destination, which is replaced only by a complete result.
    // starting runs once the converter is chosen (and, for a Word document, the engine runs),
    // just before the conversion begins. The Word engine is started on the first Word
    // document; when none can be started, the user is told once (through the messenger) if
    // the system has none, and every Word document of the run gives NoWordEngine.
    FileConversion convert(const QString& source, const QString& destination,
                           const std::function<void()>& starting = {});

    // A batch: the Word documents among sources are saved as RTF by one call of the engine
    // (started here; without one, the user is told as above); starting runs just before
    // that call. Until finishBatch, convert
    // converts each of them from that RTF and answers Pending, or Failed; a document whose
    // RTF the engine did not write, and any document converted again after a failure, takes
    // the path of a single document, which ends with the document in place.
    void beginBatch(const QStringList& sources, const std::function<void()>& starting = {});

    struct Finished {
        QString source;
        QString destination;
        FileConversion result; // Converted or Failed
    };
    // Ends the batch: the documents that convert left Pending are saved as Word documents by
    // one call of the engine per format, and each one written whole is put in place; the
    // others fail and their destinations are untouched. In the order they were converted;
    // starting runs just before the engine is called, if it is.
    std::vector<Finished> finishBatch(const std::function<void()>& starting = {});

    // Whether a Word document would still be tried (no engine failed to start yet).
    bool wordUsable() const { return m_wordUsable; }

    // Ends the Word engine, if one runs; the destructor does it too.
    void quitWord();

private:
    struct Pending {
        QString source;
        QString destination;
        QString rtf;      // the converted RTF
        QString document; // where the engine is to save it in the document's format
    };

    ConvertStatus convertText(const QString& source, const QString& destination);
    FileConversion convertWord(const QString& source, const QString& destination,
                               const std::function<void()>& starting);
    FileConversion convertOneWord(const QString& source, const QString& destination);
    ConvertStatus convertWordRtf(const QString& rtf, const QString& converted);
    bool startWord();
    bool makeWordFolder();
    QString wordFile(const QString& name) const;

    const ConversionTable& m_table;
    Reorder m_reorder;
    WordService& m_wordService;
    common::Messenger& m_messenger;
    ConvertOptions m_options;
    std::unique_ptr<WordDocuments> m_word;
    bool m_wordUsable = true;
    // The intermediate files of Word documents live in a folder of the run's own.
    std::unique_ptr<QTemporaryDir> m_wordFolder;
    // The batch: whether one is open, the RTF the engine wrote for each of its documents
    // (by source), and the documents waiting for finishBatch.
    bool m_batch = false;
    QHash<QString, QString> m_batchRtf;
    std::vector<Pending> m_pending;
    int m_files = 0; // numbers the intermediate files
};

} // namespace zerva::converter
