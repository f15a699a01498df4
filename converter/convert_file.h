// One way to convert a file, for the converter window's runs and for zerva-convert: the
// converter is chosen by the file's extension (.txt with or without reordering, .rtf, Word
// .doc through the Word engine), and the Word engine of a run is started on its first Word
// document and quit at its end.
#pragma once

#include "common/messages.h"
#include "converter/conversion_table.h"
#include "converter/text_convert.h"
#include "converter/word_engine.h"

#include <QString>

#include <functional>
#include <memory>

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

// The kind of a file by its name: the last three characters, in any letter case ("txt",
// "rtf", "doc"); a name ending in ".TEXT" is of no kind we convert.
FileKind fileKindOf(const QString& name);

struct FileConversion {
    enum Outcome {
        Converted,
        Failed,         // status says why
        NotConvertible, // FileKind::Other: nothing was done
        NoWordEngine,   // a Word document, and this run has no Word engine (the user was told)
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

    // Whether a Word document would still be tried (no engine failed to start yet).
    bool wordUsable() const { return m_wordUsable; }

    // Ends the Word engine, if one runs; the destructor does it too.
    void quitWord();

private:
    ConvertStatus convertText(const QString& source, const QString& destination);
    FileConversion convertWord(const QString& source, const QString& destination,
                               const std::function<void()>& starting);
    bool startWord();

    const ConversionTable& m_table;
    Reorder m_reorder;
    WordService& m_wordService;
    common::Messenger& m_messenger;
    ConvertOptions m_options;
    std::unique_ptr<WordDocuments> m_word;
    bool m_wordUsable = true;
    // The intermediate files of Word documents live in a folder of the run's own.
    std::unique_ptr<QTemporaryDir> m_wordFolder;
};

} // namespace zerva::converter
