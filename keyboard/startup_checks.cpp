// The start-up checks, run before the main window exists.
#include "startup_checks.h"

#include "common/messages.h"
#include "common/services.h"
#include "common/settings_store.h"

namespace zerva::keyboard {

QString versionUnreadableMessage() {
    return QStringLiteral("Unable to read Windows version.");
}

QString wrongPlatformMessage() {
    return QStringLiteral("This program runs on Arabic Windows 98/ME.");
}

QString layoutNotSetMessage() {
    return QStringLiteral("ZERVA 2001") +
           QStringLiteral(" keyboard layout is not set or set incorrectly.");
}

// The program's own name, as its executable is called.
QString startupMessageTitle() {
    return QStringLiteral("Keyboard");
}

LayoutListResult findArabicLayout(const common::SettingsStore& store) {
    for (int n = 1; n <= kMaxLayoutListEntries; ++n) {
        const QString id = common::RegReadString(
            store, common::HKEY_CURRENT_USER,
            common::kPreloadKey + QLatin1Char('\\') + QString::number(n), QString());
        if (id == common::kNotFound) {
            return LayoutListResult::Gap;
        }
        if (id == kArabicLayoutId) {
            return LayoutListResult::Found;
        }
    }
    return LayoutListResult::Exhausted;
}

StartupOutcome runStartupChecks(const StartupServices& services) {
    auto say = [&](const QString& text) {
        services.messenger.systemMessage(text, startupMessageTitle());
    };

    switch (services.platform.check()) {
    case PlatformStatus::Supported:
        break;
    case PlatformStatus::VersionUnreadable:
        say(versionUnreadableMessage());
        return StartupOutcome::VersionUnreadable;
    case PlatformStatus::Unsupported:
        say(wrongPlatformMessage());
        return StartupOutcome::WrongPlatform;
    }

    if (services.instance.raiseRunningCopy()) {
        return StartupOutcome::AlreadyRunning;
    }

    // The deletion below is this program's only write to the settings. A file it cannot
    // read is left alone, and the user is told that the defaults stand in for it.
    if (services.store.userFileState() == common::SettingsFileState::NotUnderstood) {
        services.messenger.MsgBox(common::settingsNotUnderstoodMessage(services.store.userFile()),
                                  common::kOkOnly, common::noticeTitle());
    }

    // A substitute would make the system load another layout in place of the one this
    // program installs. The deletion's outcome does not matter: the key may well be absent.
    services.store.deleteKey(common::HKEY_CURRENT_USER, kArabicSubstituteKey);

    const QString codePage = common::RegReadString(services.store, common::HKEY_LOCAL_MACHINE,
                                                   common::kCodePageKey, QStringLiteral("ACP"));
    if (codePage != kRequiredCodePage) {
        say(wrongPlatformMessage());
        return StartupOutcome::WrongCodePage;
    }

    // A list of 255 other layouts means the Arabic one is not set either.
    if (findArabicLayout(services.store) != LayoutListResult::Found) {
        say(layoutNotSetMessage());
        return StartupOutcome::ArabicLayoutMissing;
    }
    return StartupOutcome::Proceed;
}

} // namespace zerva::keyboard
