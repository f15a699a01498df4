// The keyboard program's system folder (`Windir`) and the system's layout file in it.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace zerva::keyboard {

// The environment variable that names the system folder.
inline constexpr char kWindirVariable[] = "Windir";

// The system folder: the variable Windir where it is set and not empty; otherwise the
// user's data folder "Zerva/Windows" (~/.local/share/Zerva/Windows). Never the current folder.
QString Windir();

// Windir + "/System/KBDA1.KBD": the layout file the system loads.
QString systemLayoutPath();

enum class SeedResult {
    AlreadyPresent, // a file was there and was left as it is
    Created,
    Failed, // the folder or the file could not be made; nothing was left behind
};

// Writes bytes to path when no file is there, creating its folder. The file appears whole
// or not at all (written beside it under another name, then renamed).
SeedResult seedLayoutFile(const QString& path, QByteArrayView bytes);

// Gives a fresh system folder its layout file: the standard layout image (528 bytes) is
// written to systemLayoutPath() when that file is missing.
SeedResult seedSystemLayoutFile(QByteArrayView standardImage);

} // namespace zerva::keyboard
