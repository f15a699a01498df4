// The two things the X tools cannot do for the installer: record the keyboard's names on the
// root window (what setxkbmap -query shows) and lock the active group.
#pragma once

#include <QByteArray>
#include <QString>

namespace zerva::keyboard {

// rulesNames: rules, model, layouts, variants and options, each ended by a zero byte.
bool setXkbNamesAndGroup(const QString& display, const QByteArray& rulesNames, int group,
                         QString* error);

} // namespace zerva::keyboard
