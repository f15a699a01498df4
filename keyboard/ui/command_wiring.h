// Connects a main window to the commands: the menu bar, and the close that asks first.
#pragma once

#include "keyboard/commands.h"
#include "keyboard/ui/menu_bar.h"

class QMainWindow;

namespace zerva::keyboard {

// Gives window the command menu bar and makes every close of it (the close box, ExitKBC,
// the desktop) ask Commands::queryClose() first; a cancelled question keeps it open.
KeyboardMenuBar* installCommands(QMainWindow& window, Commands& commands);

} // namespace zerva::keyboard
