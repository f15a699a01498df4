// The main window's commands over the layout model.
#include "commands.h"

#include "keyboard/layout_file.h"
#include "keyboard/layout_import.h"
#include "keyboard/standard_layout.h"

#include "common/messages.h"
#include "common/services.h"
#include "common/settings_store.h"

#include <QDir>
#include <QUrl>

namespace zerva::keyboard {
namespace {

// The help page's section about this program.
const QString kHelpSection = QStringLiteral("keyboard");

MenuEntry item(MenuId id, MenuId menu, const char* name, const QString& caption,
               const char* shortcut, bool editModeOnly) {
    return {id, menu, QLatin1String(name), caption, QLatin1String(shortcut), false, editModeOnly};
}

MenuEntry checkItem(MenuId id, MenuId menu, const char* name, const QString& caption,
                    bool editModeOnly) {
    MenuEntry e = item(id, menu, name, caption, "", editModeOnly);
    e.checkable = true;
    return e;
}

MenuEntry separator(MenuId id, MenuId menu, const char* name) {
    return {id, menu, QLatin1String(name), QString(), QString(), true, true};
}

} // namespace

const std::vector<MenuEntry>& menuEntries() {
    using M = MenuId;
    static const std::vector<MenuEntry> entries{
        item(M::File, M::File, "File", QStringLiteral("&پرونده"), "", false),
        item(M::OpenKBL, M::File, "OpenKBL", QStringLiteral("&خواندن..."), "Ctrl+O", true),
        item(M::SaveAsKBL, M::File, "SaveAsKBL", QStringLiteral("&ذخيره ..."), "", true),
        separator(M::S0, M::File, "S0"),
        item(M::Apply, M::File, "Apply", QStringLiteral("&اعمال "), "", true),
        separator(M::S2, M::File, "S2"),
        item(M::DirectEdit, M::File, "DirectEdit", QStringLiteral("و&يرايش"), "", false),
        item(M::ExitKBC, M::File, "ExitKBC", QStringLiteral("خروج"), "Ctrl+Q", false),
        item(M::Pattern, M::Pattern, "Pattern", QStringLiteral("&الگو"), "", true),
        item(M::ChangeToZerva, M::Pattern, "ChangeToZerva", QStringLiteral("&زروا"), "", true),
        item(M::ChangeToActive, M::Pattern, "ChangeToActive", QStringLiteral("&فعال"), "", true),
        item(M::DirectEditKey, M::Pattern, "DirectEditKey", QStringLiteral("&ويرايش كليد"), "",
             true),
        checkItem(M::PersianLetters, M::Pattern, "PersianLetters",
                  QStringLiteral("ی، ک و ارقام &فارسي در نصب"), true),
        item(M::cmdHelp, M::cmdHelp, "cmdHelp", QStringLiteral("&راهنما"), "", false),
    };
    return entries;
}

const MenuEntry& menuEntry(MenuId id) {
    return menuEntries()[static_cast<std::size_t>(id)];
}

QString confirmSavePrompt() {
    return QStringLiteral("الگو تغيير كرده است. آيا ميخواهيد آن را ذخيره كنيد؟");
}

QString layoutFileFilter() {
    return QStringLiteral("Keyboard Layout Files (*.kbd)|*.kbd|All Files (*.*)|*.*");
}

QString layoutFileExtension() {
    return QStringLiteral("kbd");
}

QString installWriteFailedMessage() {
    return QStringLiteral(
        "خطا در نصب صفحه كليد: فايل صفحه كليد سيستم نوشته نشد. صفحه كليد قبلي سيستم تغيير نكرد.");
}

QString installReloadFailedMessage() {
    return QStringLiteral(
        "خطا در نصب صفحه كليد: سيستم صفحه كليد جديد را بار نكرد. صفحه كليد قبلي سيستم تغيير نكرد.");
}

QString settingNotSavedMessage() {
    return QStringLiteral("خطا در ذخيره تنظيمات: انتخاب شما ذخيره نشد.");
}

QString saveFailedMessage(const QString& path) {
    return QStringLiteral("خطا در ذخيره فايل صفحه كليد. فايل ذخيره نشد:") + QLatin1Char('\n') +
           path;
}

Commands::Commands(LayoutModel& model, CommandView& view, const CommandServices& services,
                   QString systemFile, QObject* parent)
    : QObject(parent), m_model(model), m_view(view), m_services(services),
      m_systemFile(std::move(systemFile)) {}

void Commands::load() {
    setEditModeState(false);
    readWithPlaneSave(Source::System, m_systemFile);
}

bool Commands::isVisible(MenuId id) const {
    const MenuEntry& e = menuEntry(id);
    // An item of a menu hidden in view mode is hidden with it.
    if (e.menu != e.id && !isVisible(e.menu)) {
        return false;
    }
    return !e.editModeOnly || m_editMode;
}

QString Commands::caption(MenuId id) const {
    if (id == MenuId::DirectEdit) {
        if (m_editMode) {
            return QStringLiteral("نمايش");
        }
        if (m_leftEditMode) {
            return QStringLiteral("ويرايش");
        }
    }
    return menuEntry(id).caption;
}

void Commands::setEditModeState(bool edit) {
    m_editMode = edit;
    m_view.setEditMode(edit);
    emit menuStateChanged();
}

void Commands::setLabel(const QString& label) {
    m_model.setSourceLabel(label);
    m_view.setWindowCaption(m_model.windowCaption());
}

void Commands::readWithPlaneSave(Source source, const QString& path) {
    const bool shift = m_model.shiftPlaneShown();
    m_model.setShiftPlaneShown(false);
    const ReadOutcome outcome =
        source == Source::Standard
            ? readLayoutBytes(m_model, LoadResourceText(u"STANDARD", u"KBD"), m_services.messenger)
            : ReadLayoutFile(m_model, path, m_services.messenger);
    m_model.setShiftPlaneShown(shift);

    // A refused or declined file leaves the previous layout on screen: the caption keeps
    // naming where that layout came from, so that a later save does not write it elsewhere.
    if (outcome == ReadOutcome::Read) {
        switch (source) {
        case Source::System:
            setLabel(LayoutModel::systemSourceLabel());
            break;
        case Source::Standard:
            setLabel(LayoutModel::standardSourceLabel());
            break;
        case Source::File:
            setLabel(path);
            break;
        }
    } else {
        m_view.setWindowCaption(m_model.windowCaption());
    }
    m_model.setLayoutChanged(false);
}

void Commands::DirectEdit() {
    if (!m_editMode) {
        setEditModeState(true);
        return;
    }
    if (ConfirmSaveChanges() == kConfirmCancelled) {
        return;
    }
    m_leftEditMode = true;
    setEditModeState(false);
    readWithPlaneSave(Source::System, m_systemFile);
    m_view.focusFirstKey();
}

void Commands::ChangeToActive() {
    if (ConfirmSaveChanges() == kConfirmCancelled) {
        return;
    }
    readWithPlaneSave(Source::System, m_systemFile);
}

void Commands::ChangeToZerva() {
    if (ConfirmSaveChanges() == kConfirmCancelled) {
        return;
    }
    readWithPlaneSave(Source::Standard, QString());
}

void Commands::Apply() {
    if (installLayout() != InstallResult::Installed) {
        return; // reported; the window stays in edit mode with the edits
    }
    DirectEdit();
}

common::FileDialogArgs Commands::dialogArgs() const {
    common::FileDialogArgs args;
    args.filter = layoutFileFilter();
    args.defaultExtension = layoutFileExtension();
    args.askOverwrite = true;
    return args;
}

void Commands::OpenKBL() {
    if (ConfirmSaveChanges() == kConfirmCancelled) {
        return;
    }
    // The question has been dealt with, even if the dialog below is cancelled.
    m_model.setLayoutChanged(false);
    const std::optional<QString> path = m_services.dialogs.openFile(dialogArgs());
    if (!path) {
        return;
    }
    readWithPlaneSave(Source::File, *path);
}

void Commands::SaveAsKBL() {
    const std::optional<QString> path = m_services.dialogs.saveFile(dialogArgs());
    if (!path || !saveTo(*path)) {
        return;
    }
    setLabel(*path);
    m_model.setLayoutChanged(false);
}

void Commands::ExitKBC() {
    m_view.closeWindow();
}

bool Commands::queryClose() {
    return ConfirmSaveChanges() != kConfirmCancelled;
}

void Commands::cmdHelp() {
    common::openSuiteHelp(m_services.settings, m_services.help, kHelpSection);
}

bool Commands::isChecked(MenuId id) const {
    return id == MenuId::PersianLetters && persianLettersOnInstall(m_services.settings);
}

void Commands::PersianLetters() {
    if (!setPersianLettersOnInstall(m_services.settings,
                                    !persianLettersOnInstall(m_services.settings))) {
        reportError(settingNotSavedMessage());
    }
    emit menuStateChanged();
}

int Commands::ConfirmSaveChanges() {
    if (!m_model.LayoutChanged()) {
        return kConfirmUnchanged;
    }
    common::MsgBoxArgs args;
    args.prompt = confirmSavePrompt();
    args.button = common::kYesNoCancel;
    args.title = common::noticeTitle();
    args.promptFrame = true;
    args.buttonDirection = 1;
    args.cancelCaption = QStringLiteral("انصراف");
    args.buttonWidthEqual = false;
    const int answer = m_services.messenger.MsgBox(args);
    if (answer == common::kAnswerNo) {
        return kConfirmDeclined;
    }
    if (answer != common::kAnswerYes) {
        return kConfirmCancelled;
    }

    const QString label = m_model.sourceLabel();
    if (label == LayoutModel::systemSourceLabel()) {
        // A failed installation keeps the window and its edits.
        return installLayout() == InstallResult::Installed ? kConfirmSaved : kConfirmCancelled;
    }
    // The standard layout and a system layout opened in the editor have no file of their own.
    if (label == LayoutModel::standardSourceLabel() || isImportedSourceLabel(label)) {
        const std::optional<QString> path = m_services.dialogs.saveFile(dialogArgs());
        if (!path || !saveTo(*path)) {
            return kConfirmCancelled;
        }
        setLabel(*path);
        return kConfirmSaved;
    }
    return saveTo(label) ? kConfirmSaved : kConfirmCancelled;
}

bool Commands::saveTo(const QString& path) {
    const WriteResult written = WriteLayoutFile(m_model, path);
    if (!written.ok) {
        reportError(saveFailedMessage(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

void Commands::reportError(const QString& text) {
    m_services.messenger.MsgBox(text, common::kOkOnly, common::errorTitle());
}

InstallResult Commands::installLayout() {
    const InstallOutcome outcome = installLayoutFiles(m_model, m_systemFile, m_services.reloader,
                                                      persianLettersOnInstall(m_services.settings));
    switch (outcome.result) {
    case InstallResult::Installed:
        m_model.setLayoutChanged(false);
        break;
    case InstallResult::WriteFailed:
        reportError(installWriteFailedMessage());
        break;
    case InstallResult::ReloadFailed:
        reportError(installReloadFailedMessage());
        break;
    }
    return outcome.result;
}

} // namespace zerva::keyboard
