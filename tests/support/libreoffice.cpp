// soffice --headless --convert-to for tests.
#include "tests/support/libreoffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace zerva::test {

Office::Office(int timeoutMs) : m_program(findProgram()), m_timeoutMs(timeoutMs) {}

QString Office::findProgram() {
    for (const QString& name : {QStringLiteral("soffice"), QStringLiteral("libreoffice")}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

bool Office::convert(const QStringList& inputs, const QString& filter, const QString& outFolder) {
    if (!available() || !m_folder.isValid() || !QDir().mkpath(outFolder)) {
        return false;
    }
    const QString profile =
        QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("profile"))).toString();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_program,
                  QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                              QStringLiteral("-env:UserInstallation=") + profile,
                              QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                              outFolder} +
                      inputs);
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::vector<std::optional<QString>> Office::texts(const QStringList& documents) {
    // Copies under numbered names, as two documents may share a name but for the extension.
    const QString call = m_folder.filePath(QStringLiteral("text%1").arg(++m_calls));
    QStringList inputs;
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QString copy =
            call + QStringLiteral("/in/%1.").arg(i) + QFileInfo(documents[i]).suffix();
        QDir().mkpath(call + QStringLiteral("/in"));
        QFile::copy(documents[i], copy);
        inputs << copy;
    }
    std::vector<std::optional<QString>> result(static_cast<std::size_t>(documents.size()));
    if (!convert(inputs, QStringLiteral("txt:Text (encoded):UTF8"),
                 call + QStringLiteral("/out"))) {
        return result;
    }
    for (qsizetype i = 0; i < documents.size(); ++i) {
        QFile file(call + QStringLiteral("/out/%1.txt").arg(i));
        if (file.open(QIODevice::ReadOnly)) {
            QString text = QString::fromUtf8(file.readAll());
            text.remove(QChar(0xFEFF));
            result[static_cast<std::size_t>(i)] = text;
        }
    }
    QDir(call).removeRecursively();
    return result;
}

std::optional<QString> Office::text(const QString& document) {
    return texts({document}).front();
}

QStringList paragraphsOf(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList paragraphs = t.split(QLatin1Char('\n'));
    if (!paragraphs.isEmpty() && paragraphs.last().isEmpty()) {
        paragraphs.removeLast();
    }
    return paragraphs;
}

int rightParagraphs(const QStringList& expected, const QString& text) {
    const QStringList got = paragraphsOf(text);
    int right = 0;
    for (qsizetype i = 0; i < expected.size() && i < got.size(); ++i) {
        right += got[i] == expected[i] ? 1 : 0;
    }
    return right;
}

} // namespace zerva::test
