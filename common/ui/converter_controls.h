// What the file converter's and the clipboard converter's windows share: their window flags,
// named controls in the suite's font, the direction frame and the command buttons.
#pragma once

#include "common/table_files.h"

#include <QString>
#include <Qt>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace zerva::common {

// A title bar with the system menu, minimise and close, but no maximise.
inline constexpr Qt::WindowFlags kConverterWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// Gives a control its name (objectName and accessible name), the windows' bold font and, when
// one is given, its tooltip.
void nameControl(QWidget* widget, const QString& name, const QString& tip = QString());

template <typename W> W* named(W* widget, const QString& name, const QString& tip = QString()) {
    nameControl(widget, name, tip);
    return widget;
}

// The direction: the label Label5 and the frame Frame1 holding ChangeToMS (chosen at first)
// and ChangeFromMS, with their captions and tooltips.
struct DirectionControls {
    QLabel* label = nullptr;
    QGroupBox* frame = nullptr;
    QRadioButton* toMs = nullptr;
    QRadioButton* fromMs = nullptr;

    Direction direction() const;
};
DirectionControls makeDirectionControls();

// The buttons cmdChange, cmdHelp and cmdExit, of one minimum width; Enter does not press them.
struct CommandButtons {
    QPushButton* change = nullptr;
    QPushButton* help = nullptr;
    QPushButton* exit = nullptr;
};
CommandButtons makeCommandButtons();

} // namespace zerva::common
