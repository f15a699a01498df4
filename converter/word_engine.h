// The Word document engine of a conversion run: saves documents as RTF, and RTF as Word
// documents, many at a time where it can. The real one drives an office suite
// (converter/platform); tests pass fakes.
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace zerva::converter {

// One file for the engine to read (input) and the file it writes (output, replaced if it
// exists).
struct WordJob {
    QString input;
    QString output;
};

// One started engine; lives from the first Word document of a run to its end. Each call
// handles all its jobs in as few engine starts as it can and answers, job by job, whether
// the output was written; a job that failed leaves no output.
class WordDocuments {
public:
    virtual ~WordDocuments() = default;
    // Each input is a Word document (.doc, .docx or .odt), saved as RTF.
    virtual std::vector<bool> saveAsRtf(const std::vector<WordJob>& jobs) = 0;
    // Each input is RTF, saved as a Word document in the format its output's extension names
    // (.doc, .docx or .odt).
    virtual std::vector<bool> saveAsWord(const std::vector<WordJob>& jobs) = 0;
    // Ends the engine; later calls fail.
    virtual void Quit() = 0;

    // One document each way.
    bool saveOneAsRtf(const QString& document, const QString& rtfPath) {
        return saveAsRtf(std::vector<WordJob>{{document, rtfPath}}).front();
    }
    bool saveOneAsWord(const QString& rtf, const QString& documentPath) {
        return saveAsWord(std::vector<WordJob>{{rtf, documentPath}}).front();
    }
};

enum class WordStartError {
    None,
    CannotCreate, // no engine on this system
    Failed,       // an engine exists but did not start
};

class WordService {
public:
    virtual ~WordService() = default;
    // Starts an engine; nothing, with the reason in error, when none could be started.
    virtual std::unique_ptr<WordDocuments> create(WordStartError& error) = 0;
};

} // namespace zerva::converter
