// Installing a layout into the system: the system's layout file and the desktop's layout,
// together or not at all; and the setting that installs Persian letters and digits.
#pragma once

#include "keyboard/layout_model.h"
#include "keyboard/layout_reloader.h"

#include <QString>

namespace zerva::common {
class SettingsStore;
} // namespace zerva::common

namespace zerva::keyboard {

// How installing a layout into the system ended.
enum class InstallResult {
    Installed,
    WriteFailed,  // the system's layout file could not be written; nothing changed
    ReloadFailed, // the system did not take the layout up; the old file stays
};

struct InstallOutcome {
    InstallResult result = InstallResult::WriteFailed;
    ReloadResult reload; // what the desktop's layout service said
};

// The texts each slot of the model types, for the system's layout: a fixed entry its code's
// character, a combined key its whole text, an empty slot nothing.
XkbKeyTexts xkbKeyTexts(const LayoutModel& model);

// Writes the model to systemFile and has reloader install it. The new file is written beside
// the old one and takes its place only after the reload succeeded. With persianLetters the
// desktop's layout types ی, ک and Persian digits where the file holds ي, ك and ASCII digits.
InstallOutcome installLayoutFiles(const LayoutModel& model, const QString& systemFile,
                                  LayoutReloader& reloader, bool persianLetters);

// The user's choice of Persian letters and digits on install: HKEY_CURRENT_USER, the
// product's key + "\Keyboard", value "PersianLetters" ("1" or "0"); on when not set.
QString keyboardSettingsKey();
inline const QString kPersianLettersValue = QStringLiteral("PersianLetters");
bool persianLettersOnInstall(const common::SettingsStore& settings);
bool setPersianLettersOnInstall(common::SettingsStore& settings, bool on);

} // namespace zerva::keyboard
