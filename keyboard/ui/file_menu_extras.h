// Items the program adds to the File menu of the command menu bar: the exports and printing
// beside saving, undo and redo in its edit section. They are shown in edit mode only, like the
// other editing items.
#pragma once

#include "keyboard/commands.h"
#include "keyboard/layout_import.h"
#include "keyboard/ui/frm_main.h"
#include "keyboard/ui/menu_bar.h"

#include "common/services.h"

class QAction;
class QMenu;

namespace zerva::keyboard {

struct FileMenuExtras {
    QAction* import = nullptr;          // "ImportKBL", after OpenKBL: a layout of the system
    QMenu* exportMenu = nullptr;        // "ExportKBL", after SaveAsKBL
    QAction* exportKlc = nullptr;       // "ExportKlc": for Windows
    QAction* exportKeylayout = nullptr; // "ExportKeylayout": for macOS
    QAction* exportXkb = nullptr;       // "ExportXkb": the XKB symbols file
    QAction* exportPicture = nullptr;   // "ExportPicture": PDF, SVG or PNG
    QAction* print = nullptr;           // "PrintKBL", Ctrl+P: the print preview
    QAction* undo = nullptr;            // "EditUndo", Ctrl+Z
    QAction* redo = nullptr;            // "EditRedo", Ctrl+Shift+Z
};

// Adds the items: the import of a system layout after OpenKBL, the exports and printing before
// S0, undo and redo before DirectEdit. The exports ask for their files through dialogs and
// report through the window's messenger; the import reads system's layouts.
FileMenuExtras installFileMenuExtras(frmMain& window, KeyboardMenuBar& bar, Commands& commands,
                                     common::FileDialogs& dialogs, SystemLayouts& system);

QString undoCaption();
QString redoCaption();

} // namespace zerva::keyboard
