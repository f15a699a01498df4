// The window's command that opens a layout installed on the system in the editor.
#pragma once

#include "keyboard/commands.h"
#include "keyboard/layout_import.h"

namespace zerva::keyboard {

enum class ImportOutcome {
    Imported,  // the layout is shown; its label names the system layout
    Cancelled, // the unsaved-changes question was cancelled: nothing changed
    NotFound,  // the system has no such layout: reported, nothing changed
};

// Asks about unsaved changes first, as every command that replaces the layout does; then
// reads the system layout with the plane shown kept, labels it, and tells the user in one
// notice which characters had to be left out. LayoutChanged is false afterwards.
ImportOutcome importSystemLayout(Commands& commands, SystemLayouts& system,
                                 const SystemLayoutName& layout, common::Messenger& messenger);

} // namespace zerva::keyboard
