// The system's layout file and the desktop's layout, installed as one step.
#include "layout_install.h"

#include "keyboard/layout_file.h"

#include "common/atomic_file.h"
#include "common/codepage.h"
#include "common/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zerva::keyboard {

XkbKeyTexts xkbKeyTexts(const LayoutModel& model) {
    // The planes as the layout file holds them: a byte per base slot, a text per shift slot
    // (the whole text of a combined key). The byte 0 is an empty slot.
    const DecodedPlanes planes = model.planes();
    XkbKeyTexts texts;
    for (int k = 0; k < kKeyCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const std::uint8_t base = planes.base[i];
        texts[i] = base == 0 ? QString() : QString(common::cp1256Char(base));
        const QByteArray& shift = planes.shift[i];
        texts[i + kShiftPlaneBase] =
            shift == QByteArray(1, '\0') ? QString() : common::fromCp1256(shift);
    }
    return texts;
}

InstallOutcome installLayoutFiles(const LayoutModel& model, const QString& systemFile,
                                  LayoutReloader& reloader, bool persianLetters) {
    InstallOutcome outcome;
    const QByteArray bytes = encodeLayout(model);
    // The new file is complete beside the old one before the system is asked to take it up.
    common::AtomicFile file(systemFile);
    if (bytes.isEmpty() || !QDir().mkpath(QFileInfo(systemFile).absolutePath()) || !file.open() ||
        !file.write(bytes)) {
        outcome.reload.detail = file.errorString();
        return outcome;
    }

    const XkbKeyTexts texts = xkbKeyTexts(model);
    outcome.reload = reloader.reload(persianLetters ? withPersianLetters(texts) : texts);
    if (!outcome.reload.ok()) {
        outcome.result = InstallResult::ReloadFailed;
        return outcome;
    }

    if (!file.commit()) {
        // The system took up a layout that its file does not hold: give it back the layout
        // of the file that stayed, so that the two agree again.
        QFile old(systemFile);
        if (old.open(QIODevice::ReadOnly)) {
            const DecodeResult previous = decodeLayoutFile(old.readAll());
            if (previous.status == DecodeStatus::Ok) {
                LayoutModel restored;
                restored.replaceLayout(previous.planes);
                const XkbKeyTexts back = xkbKeyTexts(restored);
                reloader.reload(persianLetters ? withPersianLetters(back) : back);
            }
        }
        outcome.result = InstallResult::WriteFailed;
        return outcome;
    }
    outcome.result = InstallResult::Installed;
    return outcome;
}

QString keyboardSettingsKey() {
    return common::kProductKey + QStringLiteral("\\Keyboard");
}

bool persianLettersOnInstall(const common::SettingsStore& settings) {
    return common::RegReadString(settings, common::HKEY_CURRENT_USER, keyboardSettingsKey(),
                                 kPersianLettersValue) != QStringLiteral("0");
}

bool setPersianLettersOnInstall(common::SettingsStore& settings, bool on) {
    return settings.setString(common::HKEY_CURRENT_USER, keyboardSettingsKey(),
                              kPersianLettersValue, on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace zerva::keyboard
