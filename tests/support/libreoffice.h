// LibreOffice for tests that read documents back: soffice found on the PATH, run headless
// with a profile of its own and a time limit.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <vector>

namespace zerva::test {

class Office {
public:
    explicit Office(int timeoutMs = 300000);

    // The soffice found on the PATH, or empty.
    static QString findProgram();
    bool available() const { return !m_program.isEmpty(); }
    const QString& program() const { return m_program; }

    // Converts the inputs with one soffice start into outFolder (created), each named after
    // its input with the filter's extension. False when soffice failed or took too long.
    bool convert(const QStringList& inputs, const QString& filter, const QString& outFolder);

    // The text of each document as soffice reads it (UTF-8 text export, one start for all),
    // without a byte order mark; nothing for a document it could not read.
    std::vector<std::optional<QString>> texts(const QStringList& documents);
    std::optional<QString> text(const QString& document);

private:
    QString m_program;
    int m_timeoutMs;
    QTemporaryDir m_folder; // the profile, and the copies read as text
    int m_calls = 0;
};

// The paragraphs of a text export: split at line ends, the last empty one dropped.
QStringList paragraphsOf(const QString& text);

// How many of the expected paragraphs the text has at their own places.
int rightParagraphs(const QStringList& expected, const QString& text);

} // namespace zerva::test

// Skips the test when the machine has no soffice.
#define ZERVA_SKIP_WITHOUT_OFFICE(office)                                                          \
    if (!(office).available())                                                                     \
    GTEST_SKIP() << "LibreOffice (soffice) is not installed: documents cannot be read back"
