// The Word document engine over LibreOffice: soffice in headless mode, found at run time,
// with a private user profile so it works beside a LibreOffice the user has open.
#pragma once

#include "converter/word_engine.h"

#include <QString>

namespace zerva::converter {

class LibreOfficeWordService : public WordService {
public:
    // program: the soffice to run; empty to look for it on the PATH when an engine is
    // created. timeoutMs: how long one document may take before soffice is given up.
    explicit LibreOfficeWordService(QString program = {}, int timeoutMs = 120000);

    std::unique_ptr<WordDocuments> create(WordStartError& error) override;

    // The soffice found on the PATH, or empty.
    static QString findProgram();

private:
    QString m_program;
    int m_timeoutMs;
};

} // namespace zerva::converter
