// The start-up checks of the Keyboard program: the platform, a running copy, the reset of the
// Arabic layout, the code page and the user's layout list, in that order.
#pragma once

#include <QString>

namespace zerva::common {
class Messenger;
class SettingsStore;
class SingleInstance;
} // namespace zerva::common

namespace zerva::keyboard {

// What the platform check finds about the system the program runs on.
enum class PlatformStatus {
    Supported,
    VersionUnreadable, // the system's version could not be read
    Unsupported,       // not a system the program was made for
};

// Tells whether this system is one the program runs on. The real one is in keyboard/platform.
class PlatformCheck {
public:
    virtual ~PlatformCheck() = default;
    virtual PlatformStatus check() = 0;
};

// How the start-up checks ended; only Proceed lets the program show its window.
enum class StartupOutcome {
    Proceed,
    VersionUnreadable,
    WrongPlatform,
    AlreadyRunning, // another copy was asked to come forward; this one ends silently
    WrongCodePage,
    ArabicLayoutMissing,
};

inline bool goesOn(StartupOutcome outcome) {
    return outcome == StartupOutcome::Proceed;
}

// How the search through the user's layout list ended.
enum class LayoutListResult {
    Found,     // "00000401" is in the list before any gap
    Gap,       // an entry is missing before "00000401" was seen
    Exhausted, // all entries are present and none is "00000401"
};

// The identifier of the system's Arabic layout.
inline const QString kArabicLayoutId = QStringLiteral("00000401");
// The user's substitute for the Arabic layout, removed at every start.
inline const QString kArabicSubstituteKey =
    QStringLiteral("keyboard layout\\substitutes\\00000401");
// The code page the programs need.
inline const QString kRequiredCodePage = QStringLiteral("1256");
// Entries 1..kMaxLayoutListEntries of the user's layout list are searched.
inline constexpr int kMaxLayoutListEntries = 255;

// The English start-up messages and the title of their box.
QString versionUnreadableMessage();
QString wrongPlatformMessage();
QString layoutNotSetMessage();
QString startupMessageTitle();

// Searches the default values of the user's layout list, entries 1, 2, ... up to 255.
LayoutListResult findArabicLayout(const common::SettingsStore& store);

// Everything the start-up checks use.
struct StartupServices {
    PlatformCheck& platform;
    common::SingleInstance& instance;
    common::SettingsStore& store;
    common::Messenger& messenger;
};

// Runs the checks in order; a failing check shows its message in the system's message box
// and ends the checks. A running copy ends them without a message. A user's settings file
// that cannot be read is reported in the Persian box, and the checks go on.
StartupOutcome runStartupChecks(const StartupServices& services);

} // namespace zerva::keyboard
