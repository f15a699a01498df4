// The commands of the Keyboard program's main window: view and edit mode, the layout sources,
// installing a layout into the system, the file commands, the unsaved-changes question, the
// window's close and help. The window draws this state and forwards its events here.
#pragma once

#include "keyboard/layout_install.h"
#include "keyboard/layout_model.h"
#include "keyboard/layout_reloader.h"
#include "keyboard/windir.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace zerva::common {
class FileDialogs;
class HelpViewer;
class Messenger;
class SettingsStore;
struct FileDialogArgs;
} // namespace zerva::common

namespace zerva::keyboard {

// The menus and items of the main window's menu bar, in their order.
enum class MenuId {
    File,
    OpenKBL,
    SaveAsKBL,
    S0,
    Apply,
    S2,
    DirectEdit,
    ExitKBC,
    Pattern,
    ChangeToZerva,
    ChangeToActive,
    DirectEditKey,
    PersianLetters,
    cmdHelp,
};

// One row of the menu bar: a menu of the bar (menu == id), an item of a menu, a separator, or
// a command placed on the bar itself (cmdHelp).
struct MenuEntry {
    MenuId id;
    MenuId menu;        // the menu holding the item; the id itself for an entry of the bar
    QString objectName; // the control's name: "OpenKBL", "S0", ...
    QString caption;    // "&" marks the access key; the caption at start
    QString shortcut;   // portable key sequence text ("Ctrl+O"), empty for none
    bool separator;
    bool editModeOnly; // hidden in view mode
    bool checkable = false;
};

// Every entry of the menu bar in order: menus first in bar order, each followed by its items.
const std::vector<MenuEntry>& menuEntries();
const MenuEntry& menuEntry(MenuId id);

// What the window must do for the commands.
class CommandView {
public:
    virtual ~CommandView() = default;
    virtual void setWindowCaption(const QString& caption) = 0;
    // Edit mode: tall window with the palette; view mode: keyboard only.
    virtual void setEditMode(bool edit) = 0;
    // After leaving edit mode the focus goes to key 0.
    virtual void focusFirstKey() = 0;
    // Starts closing the window; the window asks Commands::queryClose() before it goes.
    virtual void closeWindow() = 0;
};

// A CommandView made of functions, for wiring a window without subclassing it. A function
// left empty does nothing.
struct CommandViewFunctions : CommandView {
    std::function<void(const QString&)> caption;
    std::function<void(bool)> editMode;
    std::function<void()> focusKey0;
    std::function<void()> close;

    void setWindowCaption(const QString& text) override {
        if (caption) {
            caption(text);
        }
    }
    void setEditMode(bool edit) override {
        if (editMode) {
            editMode(edit);
        }
    }
    void focusFirstKey() override {
        if (focusKey0) {
            focusKey0();
        }
    }
    void closeWindow() override {
        if (close) {
            close();
        }
    }
};

// The services the commands use.
struct CommandServices {
    common::Messenger& messenger;
    common::FileDialogs& dialogs;
    LayoutReloader& reloader;
    common::SettingsStore& settings;
    common::HelpViewer& help;
};

// Answers of ConfirmSaveChanges.
enum ConfirmResult : int {
    kConfirmUnchanged = 255, // nothing was changed; nothing was asked
    kConfirmSaved = 0,       // Yes: the layout was saved or installed
    kConfirmDeclined = 1,    // No
    kConfirmCancelled = 2,   // Cancel, a cancelled save dialog or a failed save: stop
};

// The unsaved-changes question, the file dialogs' filter and the messages of failed writes.
QString confirmSavePrompt();
QString layoutFileFilter();    // "Keyboard Layout Files (*.kbd)|*.kbd|All Files (*.*)|*.*"
QString layoutFileExtension(); // "kbd"
QString installWriteFailedMessage();
QString installReloadFailedMessage();
QString saveFailedMessage(const QString& path);
QString settingNotSavedMessage();

class Commands : public QObject {
    Q_OBJECT

public:
    // systemFile: the system's layout file, Windir + "/System/KBDA1.KBD" in the program.
    Commands(LayoutModel& model, CommandView& view, const CommandServices& services,
             QString systemFile = systemLayoutPath(), QObject* parent = nullptr);

    LayoutModel& model() { return m_model; }
    const QString& systemFile() const { return m_systemFile; }

    // The window's load: view mode, the system's layout read, its label and caption,
    // LayoutChanged false.
    void load();

    // --- Modes and menus -----------------------------------------------------------------
    bool editMode() const { return m_editMode; }
    bool isVisible(MenuId id) const;
    // The caption an entry shows now (only DirectEdit's changes).
    QString caption(MenuId id) const;
    // The check mark of a checkable entry (PersianLetters).
    bool isChecked(MenuId id) const;

    // --- Commands of the menu bar --------------------------------------------------------
    void DirectEdit();
    void ChangeToActive();
    void ChangeToZerva();
    void Apply();
    void OpenKBL();
    void SaveAsKBL();
    void ExitKBC();
    void cmdHelp();
    // Turns installing Persian letters and digits on or off, and saves the choice.
    void PersianLetters();

    // The window is about to close: true when it may (the question was not cancelled).
    bool queryClose();

    // The unsaved-changes question, with its save or install on Yes (ConfirmResult).
    int ConfirmSaveChanges();

    // Writes the layout shown to the system's layout file and makes the system reload it.
    // The new file is written beside the old one and takes its place only after the reload
    // succeeded; every failure is reported and leaves the old file as it was.
    InstallResult installLayout();

signals:
    // The mode changed: menu items were shown or hidden and DirectEdit's caption changed.
    void menuStateChanged();

private:
    enum class Source { System, Standard, File };

    // Reads a layout with the plane save around it; the source label follows only a layout
    // that was actually read. LayoutChanged is false afterwards in every case.
    void readWithPlaneSave(Source source, const QString& path);
    void setLabel(const QString& label);
    void setEditModeState(bool edit);
    common::FileDialogArgs dialogArgs() const;
    // Writes the layout to a file the user chose; reports a failure. True on success.
    bool saveTo(const QString& path);
    void reportError(const QString& text);

    LayoutModel& m_model;
    CommandView& m_view;
    CommandServices m_services;
    QString m_systemFile;
    bool m_editMode = false;
    bool m_leftEditMode = false; // DirectEdit loses its access key after the first return
};

} // namespace zerva::keyboard
