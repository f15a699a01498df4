// soffice --headless --convert-to, one call per step, in a private folder of the engine.
#include "converter/platform/libreoffice_word.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace zerva::converter {

namespace {

class LibreOfficeDocuments : public WordDocuments {
public:
    LibreOfficeDocuments(QString program, int timeoutMs, std::unique_ptr<QTemporaryDir> folder)
        : m_program(std::move(program)), m_timeoutMs(timeoutMs), m_folder(std::move(folder)) {}

    bool saveAsRtf(const QString& document, const QString& rtfPath) override {
        const QString extension = QFileInfo(document).suffix().toLower();
        return convert(document, extension.isEmpty() ? QStringLiteral("doc") : extension,
                       QStringLiteral("rtf"), QStringLiteral("rtf"), rtfPath);
    }
    bool saveAsWord(const QString& rtf, const QString& documentPath) override {
        return convert(rtf, QStringLiteral("rtf"), QStringLiteral("doc:MS Word 97"),
                       QStringLiteral("doc"), documentPath);
    }
    void Quit() override { m_folder.reset(); }

private:
    // Copies the input under a fixed name (soffice names its output after its input), has
    // soffice convert it, and moves the result to target.
    bool convert(const QString& input, const QString& inputExtension, const QString& filter,
                 const QString& outputExtension, const QString& target) {
        if (!m_folder) {
            return false;
        }
        const QString in = m_folder->filePath(QStringLiteral("in/Document.") + inputExtension);
        const QString outFolder = m_folder->filePath(QStringLiteral("out"));
        const QString out = outFolder + QStringLiteral("/Document.") + outputExtension;
        QDir(m_folder->filePath(QStringLiteral("in"))).removeRecursively();
        QDir(outFolder).removeRecursively();
        if (!QDir().mkpath(m_folder->filePath(QStringLiteral("in"))) || !QDir().mkpath(outFolder) ||
            !common::copyFileAtomically(input, in).ok) {
            return false;
        }
        const QString profile =
            QUrl::fromLocalFile(m_folder->filePath(QStringLiteral("profile"))).toString();
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(m_program, {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                  QStringLiteral("--nologo"),
                                  QStringLiteral("-env:UserInstallation=") + profile,
                                  QStringLiteral("--convert-to"), filter,
                                  QStringLiteral("--outdir"), outFolder, in});
        if (!process.waitForStarted(m_timeoutMs)) {
            return false;
        }
        if (!process.waitForFinished(m_timeoutMs)) {
            process.kill();
            process.waitForFinished(5000);
            return false;
        }
        QFile::remove(in);
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
            QFileInfo(out).size() <= 0) {
            return false;
        }
        return common::copyFileAtomically(out, target).ok;
    }

    QString m_program;
    int m_timeoutMs;
    std::unique_ptr<QTemporaryDir> m_folder;
};

} // namespace

LibreOfficeWordService::LibreOfficeWordService(QString program, int timeoutMs)
    : m_program(std::move(program)), m_timeoutMs(timeoutMs) {}

QString LibreOfficeWordService::findProgram() {
    for (const QString& name : {QStringLiteral("soffice"), QStringLiteral("libreoffice")}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

std::unique_ptr<WordDocuments> LibreOfficeWordService::create(WordStartError& error) {
    const QString program = m_program.isEmpty() ? findProgram() : m_program;
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        error = WordStartError::CannotCreate;
        return nullptr;
    }
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) {
        error = WordStartError::Failed;
        return nullptr;
    }
    error = WordStartError::None;
    return std::make_unique<LibreOfficeDocuments>(program, m_timeoutMs, std::move(folder));
}

} // namespace zerva::converter
