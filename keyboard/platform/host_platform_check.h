// The platform check of the running system.
#pragma once

#include "keyboard/startup_checks.h"

namespace zerva::keyboard {

// Linux, where the layout is installed through XKB, is the platform this build is made for.
class HostPlatformCheck : public PlatformCheck {
public:
    PlatformStatus check() override;
};

} // namespace zerva::keyboard
