// Items the program adds to the File menu of the command menu bar: undo and redo in its edit
// section. They are shown in edit mode only, like the other editing items.
#pragma once

#include "keyboard/commands.h"
#include "keyboard/ui/frm_main.h"
#include "keyboard/ui/menu_bar.h"

class QAction;

namespace zerva::keyboard {

struct FileMenuExtras {
    QAction* undo = nullptr; // "EditUndo", Ctrl+Z
    QAction* redo = nullptr; // "EditRedo", Ctrl+Shift+Z
};

// Adds the items before DirectEdit, connected to the window's undo history.
FileMenuExtras installFileMenuExtras(frmMain& window, KeyboardMenuBar& bar, Commands& commands);

QString undoCaption();
QString redoCaption();

} // namespace zerva::keyboard
