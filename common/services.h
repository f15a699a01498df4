// Interfaces of the platform services shared by the programs; real ones live in
// common/platform, fakes in tests/support.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zerva::common {

class SettingsStore;

// One running copy per program and user.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // True when another copy is running; it has then been asked to raise its window.
    virtual bool raiseRunningCopy() = 0;
    // Starts answering later copies; onRaise runs when one asks this copy to come forward.
    virtual bool listen(std::function<void()> onRaise) = 0;
};

// Opens a help file.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // Shows the file; false when it could not be shown (nothing is said to the user).
    virtual bool open(const QString& path) = 0;
};

// Opens the suite's help page named by the value "help" of the product key, at the given
// section when the page is HTML. A missing value or a failure shows nothing. Returns whether
// a page was shown.
bool openSuiteHelp(const SettingsStore& store, HelpViewer& viewer, const QString& section = {});

// The common open and save dialogs.
struct FileDialogArgs {
    QString title;
    QString filter;           // "Description (*.ext)|*.ext|All Files (*.*)|*.*"
    QString defaultExtension; // added to a name typed without one
    QString directory;
    QString fileName;
    bool askOverwrite = true; // save: ask before replacing an existing file
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(const FileDialogArgs& args) = 0;
    virtual std::optional<QString> saveFile(const FileDialogArgs& args) = 0;
};

// "Description (*.ext)|*.ext|..." as the list of name filters the toolkit's dialog takes.
QStringList nameFilters(const QString& pipeFilter);

} // namespace zerva::common
