// soffice --headless --convert-to in a private folder of the engine: all the documents of one
// step in one start (one per target format when saving Word documents).
#include "converter/platform/libreoffice_word.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <signal.h>
#include <unistd.h>

namespace zerva::converter {

namespace {

// The export filter of each Word format, by extension; the first is taken for any other.
struct WordFormat {
    const char* extension;
    const char* filter;
};
constexpr WordFormat kWordFormats[] = {
    {"doc", "doc:MS Word 97"},
    {"docx", "docx:MS Word 2007 XML"},
    {"odt", "odt:writer8"},
};

class LibreOfficeDocuments : public WordDocuments {
public:
    LibreOfficeDocuments(QString program, int timeoutMs, std::unique_ptr<QTemporaryDir> folder)
        : m_program(std::move(program)), m_timeoutMs(timeoutMs), m_folder(std::move(folder)) {}

    std::vector<bool> saveAsRtf(const std::vector<WordJob>& jobs) override {
        std::vector<bool> done(jobs.size(), false);
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            all.push_back(i);
        }
        convert(jobs, all, QStringLiteral("rtf"), QStringLiteral("rtf"), done);
        return done;
    }

    std::vector<bool> saveAsWord(const std::vector<WordJob>& jobs) override {
        std::vector<bool> done(jobs.size(), false);
        for (const WordFormat& format : kWordFormats) {
            const QString extension = QString::fromLatin1(format.extension);
            std::vector<std::size_t> chosen;
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (formatOf(jobs[i].output).extension == format.extension) {
                    chosen.push_back(i);
                }
            }
            if (!chosen.empty()) {
                convert(jobs, chosen, QString::fromLatin1(format.filter), extension, done);
            }
        }
        return done;
    }

    void Quit() override { m_folder.reset(); }

private:
    static const WordFormat& formatOf(const QString& path) {
        const QString extension = QFileInfo(path).suffix().toLower();
        for (const WordFormat& format : kWordFormats) {
            if (extension == QLatin1String(format.extension)) {
                return format;
            }
        }
        return kWordFormats[0];
    }

    // Has one soffice convert the inputs of the chosen jobs. Each input is copied as
    // <job number>.<its extension> into a folder of its own, since soffice names each output
    // after its input and two jobs may share a name; each output found is then copied to its
    // job's output.
    void convert(const std::vector<WordJob>& jobs, const std::vector<std::size_t>& chosen,
                 const QString& filter, const QString& outputExtension, std::vector<bool>& done) {
        if (!m_folder) {
            return;
        }
        const QString inFolder = m_folder->filePath(QStringLiteral("in"));
        const QString outFolder = m_folder->filePath(QStringLiteral("out"));
        QDir(inFolder).removeRecursively();
        QDir(outFolder).removeRecursively();
        if (!QDir().mkpath(inFolder) || !QDir().mkpath(outFolder)) {
            return;
        }
        QStringList inputs;
        std::vector<std::size_t> copied;
        for (const std::size_t i : chosen) {
            QString extension = QFileInfo(jobs[i].input).suffix().toLower();
            if (extension.isEmpty()) {
                extension = QStringLiteral("doc");
            }
            const QString in =
                inFolder + QLatin1Char('/') + QString::number(i) + QLatin1Char('.') + extension;
            if (common::copyFileAtomically(jobs[i].input, in).ok) {
                inputs << in;
                copied.push_back(i);
            }
        }
        if (inputs.isEmpty() || !run(inputs, filter, outFolder)) {
            QDir(inFolder).removeRecursively();
            return;
        }
        for (const std::size_t i : copied) {
            const QString out = outFolder + QLatin1Char('/') + QString::number(i) +
                                QLatin1Char('.') + outputExtension;
            done[i] =
                QFileInfo(out).size() > 0 && common::copyFileAtomically(out, jobs[i].output).ok;
        }
        QDir(inFolder).removeRecursively();
        QDir(outFolder).removeRecursively();
    }

    // One soffice start over all the inputs. The timeout holds for each document: it starts
    // again whenever another output appears. False when soffice could not start, crashed or
    // was stopped; then no output is trusted, since the last may be cut short.
    bool run(const QStringList& inputs, const QString& filter, const QString& outFolder) {
        const QString profile =
            QUrl::fromLocalFile(m_folder->filePath(QStringLiteral("profile"))).toString();
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        // A group of its own, so that a stop reaches the office process soffice starts too
        // (else it would keep the profile locked for the rest of the run).
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        process.start(m_program,
                      QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                  QStringLiteral("--nologo"),
                                  QStringLiteral("-env:UserInstallation=") + profile,
                                  QStringLiteral("--convert-to"), filter,
                                  QStringLiteral("--outdir"), outFolder} +
                          inputs);
        if (!process.waitForStarted(m_timeoutMs)) {
            return false;
        }
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        qsizetype outputs = 0;
        while (process.state() != QProcess::NotRunning && !process.waitForFinished(250)) {
            process.readAll(); // its messages are not kept
            const qsizetype now = QDir(outFolder).entryList(QDir::Files).size();
            if (now != outputs) {
                outputs = now;
                sinceProgress.restart();
            } else if (sinceProgress.elapsed() > m_timeoutMs) {
                ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
                process.kill();
                process.waitForFinished(5000);
                return false;
            }
        }
        return process.exitStatus() == QProcess::NormalExit;
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
