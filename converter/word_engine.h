// The Word document engine of a conversion run: opens documents and saves them as RTF, and
// saves RTF as Word documents. The real one drives an office suite (converter/platform);
// tests pass fakes.
#pragma once

#include <QString>

#include <memory>

namespace zerva::converter {

// One started engine; lives from the first Word document of a run to its end.
class WordDocuments {
public:
    virtual ~WordDocuments() = default;
    // Opens the document and saves it as RTF at rtfPath (replacing a file there).
    virtual bool saveAsRtf(const QString& document, const QString& rtfPath) = 0;
    // Opens the RTF file and saves it as a Word document at documentPath (replacing a file
    // there).
    virtual bool saveAsWord(const QString& rtf, const QString& documentPath) = 0;
    // Ends the engine; later calls fail.
    virtual void Quit() = 0;
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
