// XKB installation: the symbols file in the user's XKB folder (read by libxkbcommon, so by
// Wayland sessions) and, under X, the keymap compiled with setxkbmap and xkbcomp.
#include "xkb_layout_installer.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace zerva::keyboard {
namespace {

constexpr int kMaxXGroups = 4;

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    const common::WriteOutcome written = common::writeFileAtomically(path, bytes);
    if (!written) {
        *error = written.error;
    }
    return written.ok;
}

struct ToolRun {
    bool ok = false; // started, finished in time and exited with 0
    QByteArray out;
    QString err;
};

ToolRun runTool(const QString& program, const QStringList& args, const QByteArray& input,
                int timeoutMs) {
    ToolRun run;
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs)) {
        run.err = QStringLiteral("%1 did not start: %2").arg(program, p.errorString());
        return run;
    }
    if (!input.isEmpty()) {
        p.write(input);
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(timeoutMs);
        run.err = QStringLiteral("%1 did not finish in time").arg(program);
        return run;
    }
    run.out = p.readAllStandardOutput();
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    run.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!run.ok && run.err.isEmpty()) {
        run.err = QStringLiteral("%1 failed (exit %2)").arg(program).arg(p.exitCode());
    }
    return run;
}

// "layout:  us,ir" and "variant: ,pes" lines of setxkbmap -query.
XkbLayoutList parseQuery(const QByteArray& text) {
    XkbLayoutList list;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            continue;
        }
        const QString field = line.left(colon).trimmed();
        const QStringList values = line.mid(colon + 1).trimmed().split(QLatin1Char(','));
        if (field == QStringLiteral("layout")) {
            list.layouts = values;
        } else if (field == QStringLiteral("variant")) {
            list.variants = values;
        }
    }
    list.layouts.removeAll(QString());
    return list;
}

} // namespace

QString userXkbSymbolsDir() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config + QStringLiteral("/xkb/symbols"));
}

XkbLayoutList withLayout(const XkbLayoutList& current, const QString& name) {
    XkbLayoutList list = current;
    while (list.variants.size() < list.layouts.size()) {
        list.variants << QString();
    }
    list.variants = list.variants.mid(0, list.layouts.size());
    if (list.layouts.contains(name)) {
        return list;
    }
    if (list.layouts.size() >= kMaxXGroups) {
        list.layouts.resize(kMaxXGroups - 1);
        list.variants.resize(kMaxXGroups - 1);
    }
    list.layouts << name;
    list.variants << QString();
    return list;
}

QString XkbLayoutInstaller::symbolsFilePath() const {
    return m_options.symbolsDir + QLatin1Char('/') + m_options.layoutName;
}

ReloadResult XkbLayoutInstaller::reload(const XkbKeyTexts& texts) {
    ReloadResult result = loadIntoX(texts);
    if (result.status == ReloadResult::SessionLoadFailed) {
        return result;
    }
    QString error;
    if (!writeAtomically(symbolsFilePath(), exportXkbSymbols(texts, XkbLevelForm::MultipleKeysyms),
                         &error)) {
        return {ReloadResult::WriteFailed, error};
    }
    return result;
}

ReloadResult XkbLayoutInstaller::loadIntoX(const XkbKeyTexts& texts) const {
    const QString& display = m_options.display;
    const QString setxkbmap = QStandardPaths::findExecutable(QStringLiteral("setxkbmap"));
    const QString xkbcomp = QStandardPaths::findExecutable(QStringLiteral("xkbcomp"));
    if (display.isEmpty()) {
        return {ReloadResult::Written, QStringLiteral("no X display")};
    }
    if (setxkbmap.isEmpty() || xkbcomp.isEmpty()) {
        return {ReloadResult::Written, QStringLiteral("setxkbmap or xkbcomp is not installed")};
    }
    auto failed = [](const QString& why) {
        return ReloadResult{ReloadResult::SessionLoadFailed, why};
    };

    // The X variant goes to a private folder: the user's file keeps the braces that
    // xkbcomp would drop.
    QTemporaryDir work;
    QString error;
    if (!work.isValid() ||
        !writeAtomically(work.filePath(QStringLiteral("symbols/") + m_options.layoutName),
                         exportXkbSymbols(texts, XkbLevelForm::SingleKeysym), &error)) {
        return failed(error.isEmpty() ? QStringLiteral("no temporary folder") : error);
    }
    const QString include = QStringLiteral("-I") + work.path();
    const QStringList displayArgs{QStringLiteral("-display"), display};

    // Keep the session's other layouts, so that the user can still switch back to them.
    const ToolRun query = runTool(setxkbmap, displayArgs + QStringList{QStringLiteral("-query")},
                                  {}, m_options.timeoutMs);
    if (!query.ok) {
        return failed(query.err);
    }
    const XkbLayoutList list = withLayout(parseQuery(query.out), m_options.layoutName);
    QStringList printArgs = displayArgs;
    printArgs << include << QStringLiteral("-layout") << list.layouts.join(QLatin1Char(','));
    if (!list.variants.join(QString()).isEmpty()) {
        printArgs << QStringLiteral("-variant") << list.variants.join(QLatin1Char(','));
    }
    printArgs << QStringLiteral("-print");
    const ToolRun keymap = runTool(setxkbmap, printArgs, {}, m_options.timeoutMs);
    if (!keymap.ok || keymap.out.trimmed().isEmpty()) {
        return failed(keymap.err.isEmpty() ? QStringLiteral("setxkbmap printed nothing")
                                           : keymap.err);
    }

    // xkbcomp's exit status is not the whole story, so the keymap is read back afterwards.
    const ToolRun load = runTool(
        xkbcomp, {QStringLiteral("-w"), QStringLiteral("0"), include, QStringLiteral("-"), display},
        keymap.out, m_options.timeoutMs);
    if (!load.ok || load.err.contains(QStringLiteral("Error"))) {
        return failed(load.err);
    }
    const ToolRun dump = runTool(xkbcomp,
                                 {QStringLiteral("-w"), QStringLiteral("0"), QStringLiteral("-xkb"),
                                  display, QStringLiteral("-")},
                                 {}, m_options.timeoutMs);
    // The server keeps the symbols' name: "pc+us+zerva:2+inet(evdev)".
    const QRegularExpression ours(QStringLiteral("^\\s*xkb_symbols\\s+\"[^\"]*[+\"]%1[:+(\"]")
                                      .arg(QRegularExpression::escape(m_options.layoutName)),
                                  QRegularExpression::MultilineOption);
    const bool taken = ours.match(QString::fromUtf8(dump.out)).hasMatch();
    if (!dump.ok || !taken) {
        return failed(QStringLiteral("the X server did not take up the keymap"));
    }
    return {ReloadResult::Loaded, {}};
}

} // namespace zerva::keyboard
