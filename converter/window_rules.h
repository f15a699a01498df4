// The rules of the converter window, free of widgets: the selection status, the file
// pattern of a format entry, the drive root of a drive entry, the enabling of the direction
// controls and the step-by-step shortening of a folder path to a width.
#pragma once

#include "common/settings_store.h"
#include "converter/text_convert.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace zerva::converter {

// The status line for selected of total files; empty selection gives the "none" text.
QString selectionStatusText(int selected, int total);

// The entries of the file type list and the name patterns of one entry: the text between
// its first "(" and first ")", split at ";" ("*.txt;*.rtf" -> "*.txt", "*.rtf").
QStringList extentionEntries();
QStringList filePatterns(const QString& entry);

// The folder a drive entry names: the text before " [label]" if there is one; a drive
// letter is upper-cased; a separator is appended unless it ends in one.
QString driveRoot(const QString& entry);

// The states of the direction controls for a table and the direction check box.
struct DirectionState {
    bool changeFromMsEnabled = false;
    bool forceChangeToMs = false; // the "to" option must be chosen
    bool changeDirEnabled = false;
    bool reorderEnabled = false; // RTLDir and LTRDir
};
DirectionState directionRules(bool twoWayTable, bool changeDirChecked);

// The output of text files the user chose last: kept in the user's settings (value "Output"
// of HKEY_CURRENT_USER\Software\Zerva\Zerva 2001\ZervaCNV, "UTF-8" or "1256"); code page
// 1256 until a choice was made.
TextOutput rememberedOutput(const common::SettingsStore& settings);
// False when the settings could not be written (the choice then holds for this run only).
bool rememberOutput(common::SettingsStore& settings, TextOutput output);

// The text a path label shows: the path itself while it fits; then, one step at a time,
// root + "..." + separator + the path with its first folder dropped, one more folder each
// step, then the last folder alone. clipped tells that even that is too wide (the label is
// then held at the maximum width). root is the drive's root ("C:\", "/", "/media/usb/").
struct ShortPath {
    QString text;
    bool clipped = false;
};
ShortPath shortenPath(const QString& path, const QString& root, int maxWidth,
                      const std::function<int(const QString&)>& width);

} // namespace zerva::converter
