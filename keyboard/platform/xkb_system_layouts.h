// The system's XKB keymaps, compiled with libxkbcommon from the installed rules (and the
// user's own XKB folder, which libxkbcommon reads too).
#pragma once

#include "keyboard/layout_import.h"

namespace zerva::keyboard {

class XkbSystemLayouts : public SystemLayouts {
public:
    std::optional<XkbKeyTexts> keyTexts(const SystemLayoutName& layout) override;
};

} // namespace zerva::keyboard
