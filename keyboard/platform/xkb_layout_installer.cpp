// XKB installation: the user's symbols, rules and Compose files (read by libxkbcommon, so by
// Wayland sessions and desktop settings) and, under X, the keymap compiled with setxkbmap and
// xkbcomp, made the active group with a way to switch back.
#include "xkb_layout_installer.h"

#include "keyboard/platform/x11_keyboard.h"
#include "keyboard/xkb_user_files.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

namespace zerva::keyboard {
namespace {

constexpr int kMaxXGroups = 4;

// Files written together: each is complete beside its place before any of them is put there.
class StagedFiles {
public:
    bool stage(const QString& path, const QByteArray& bytes, QString* error) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            *error = QStringLiteral("cannot create the folder of %1").arg(path);
            return false;
        }
        auto file = std::make_unique<common::AtomicFile>(path);
        if (!file->open() || !file->write(bytes)) {
            *error = QStringLiteral("cannot write %1: %2").arg(path, file->errorString());
            return false;
        }
        m_files.push_back(std::move(file));
        return true;
    }
    bool commit(QString* error) {
        for (const auto& file : m_files) {
            if (!file->commit()) {
                *error = QStringLiteral("cannot write %1: %2")
                             .arg(file->targetPath(), file->errorString());
                return false;
            }
        }
        return true;
    }

private:
    std::vector<std::unique_ptr<common::AtomicFile>> m_files;
};

// The file's bytes, nothing when there is no file; false when it is there but cannot be read
// (it is then never replaced).
bool readExisting(const QString& path, std::optional<QByteArray>* bytes, QString* error) {
    bytes->reset();
    if (!QFileInfo::exists(path)) {
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    return true;
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

QStringList splitList(const QString& value) {
    QStringList items = value.split(QLatin1Char(','));
    return items;
}

// Every item empty joins to nothing, as setxkbmap writes it.
QString joinList(const QStringList& items) {
    return items.join(QString()).isEmpty() ? QString() : items.join(QLatin1Char(','));
}

} // namespace

QString userXkbConfigDir() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config + QStringLiteral("/xkb"));
}

QString userXkbSymbolsDir() {
    return userXkbConfigDir() + QStringLiteral("/symbols");
}

QString defaultXDisplay() {
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? qEnvironmentVariable("DISPLAY")
                                                          : QString();
}

QString userComposeFile() {
    const QString set = qEnvironmentVariable("XCOMPOSEFILE");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.XCompose") : set;
}

XkbLayoutList parseXkbQuery(const QByteArray& text) {
    XkbLayoutList list;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            continue;
        }
        const QString field = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        if (field == QStringLiteral("rules")) {
            list.rules = value;
        } else if (field == QStringLiteral("model")) {
            list.model = value;
        } else if (field == QStringLiteral("layout")) {
            list.layouts = splitList(value);
        } else if (field == QStringLiteral("variant")) {
            list.variants = splitList(value);
        } else if (field == QStringLiteral("options")) {
            list.options = splitList(value);
        }
    }
    list.layouts.removeAll(QString());
    list.options.removeAll(QString());
    return list;
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

QStringList withGroupSwitch(const QStringList& options, const QString& fallback) {
    for (const QString& option : options) {
        if (option.startsWith(QStringLiteral("grp:"))) {
            return options;
        }
    }
    return options + QStringList{fallback};
}

QString XkbLayoutInstaller::symbolsFilePath() const {
    return m_options.configDir + QStringLiteral("/symbols/") + m_options.layoutName;
}

QString XkbLayoutInstaller::rulesFilePath() const {
    return m_options.configDir + QStringLiteral("/rules/evdev");
}

QString XkbLayoutInstaller::rulesXmlFilePath() const {
    return m_options.configDir + QStringLiteral("/rules/evdev.xml");
}

ReloadResult XkbLayoutInstaller::reload(const XkbKeyTexts& texts) {
    StagedFiles files;
    QString error;
    auto writeFailed = [&error] { return ReloadResult{ReloadResult::WriteFailed, error}; };

    if (!files.stage(symbolsFilePath(), exportXkbSymbols(texts, XkbLevelForm::MultipleKeysyms),
                     &error)) {
        return writeFailed();
    }
    // A rules file of the user's own is theirs: it is never replaced.
    if (!QFileInfo::exists(rulesFilePath()) &&
        !files.stage(rulesFilePath(), xkbUserRules(), &error)) {
        return writeFailed();
    }
    std::optional<QByteArray> existing;
    if (!readExisting(rulesXmlFilePath(), &existing, &error)) {
        return writeFailed();
    }
    if (const auto xml = xkbRulesXmlWithLayout(existing, m_options.layoutName, kXkbGroupName);
        xml && !files.stage(rulesXmlFilePath(), *xml, &error)) {
        return writeFailed();
    }
    if (!readExisting(m_options.composeFile, &existing, &error)) {
        return writeFailed();
    }
    if (const auto compose = composeFileWithSequences(existing, xkbComposeSequences(texts));
        compose && !files.stage(m_options.composeFile, *compose, &error)) {
        return writeFailed();
    }

    const ReloadResult result = loadIntoX(texts);
    if (result.status == ReloadResult::SessionLoadFailed) {
        return result;
    }
    if (!files.commit(&error)) {
        return writeFailed();
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

    // The X variant goes to a private folder: the X server's compiler drops the braces of the
    // user's file, so keys of two characters send a keysym of their own that Compose expands.
    QTemporaryDir work;
    if (!work.isValid()) {
        return failed(QStringLiteral("no temporary folder"));
    }
    const QString symbols = work.filePath(QStringLiteral("symbols/") + m_options.layoutName);
    QDir().mkpath(QFileInfo(symbols).absolutePath());
    const common::WriteOutcome written =
        common::writeFileAtomically(symbols, exportXkbSymbols(texts, XkbLevelForm::ComposeKeysym));
    if (!written) {
        return failed(written.error);
    }
    const QString include = QStringLiteral("-I") + work.path();
    const QStringList displayArgs{QStringLiteral("-display"), display};

    // Keep the session's other layouts and options, so that the user can still switch back.
    const ToolRun query = runTool(setxkbmap, displayArgs + QStringList{QStringLiteral("-query")},
                                  {}, m_options.timeoutMs);
    if (!query.ok) {
        return failed(query.err);
    }
    XkbLayoutList list = withLayout(parseXkbQuery(query.out), m_options.layoutName);
    list.options = withGroupSwitch(list.options, m_options.groupSwitch);
    if (list.rules.isEmpty()) {
        list.rules = QStringLiteral("evdev");
    }
    QStringList printArgs = displayArgs;
    printArgs << include << QStringLiteral("-rules") << list.rules;
    if (!list.model.isEmpty()) {
        printArgs << QStringLiteral("-model") << list.model;
    }
    printArgs << QStringLiteral("-layout") << list.layouts.join(QLatin1Char(','));
    printArgs << QStringLiteral("-variant") << joinList(list.variants);
    printArgs << QStringLiteral("-option") << QString() << QStringLiteral("-option")
              << list.options.join(QLatin1Char(',')) << QStringLiteral("-print");
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

    // What setxkbmap -query and desktop tools read back, and the new layout made active.
    QByteArray names;
    for (const QString& field : {list.rules, list.model, list.layouts.join(QLatin1Char(',')),
                                 joinList(list.variants), list.options.join(QLatin1Char(','))}) {
        names += field.toLocal8Bit() + '\0';
    }
    QString error;
    if (!setXkbNamesAndGroup(
            display, names, static_cast<int>(list.layouts.indexOf(m_options.layoutName)), &error)) {
        return failed(error);
    }
    return {ReloadResult::Loaded, {}};
}

} // namespace zerva::keyboard
