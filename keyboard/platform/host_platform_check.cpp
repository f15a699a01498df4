// The platform check: this build installs layouts through XKB, which Linux systems have.
#include "host_platform_check.h"

#include <QtGlobal>

namespace zerva::keyboard {

PlatformStatus HostPlatformCheck::check() {
#if defined(Q_OS_LINUX)
    return PlatformStatus::Supported;
#else
    return PlatformStatus::Unsupported;
#endif
}

} // namespace zerva::keyboard
