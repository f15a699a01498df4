// Export commands of the keyboard window.
#include "export_commands.h"

#include "keyboard/commands.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QFileInfo>

namespace zerva::keyboard {

common::FileDialogArgs ExportCommands::dialogArgs(ExportFormat format) {
    common::FileDialogArgs args;
    args.askOverwrite = true;
    switch (format) {
    case ExportFormat::Klc:
        args.filter = QStringLiteral("Windows Keyboard Layout (*.klc)|*.klc|All Files (*.*)|*.*");
        args.defaultExtension = QStringLiteral("klc");
        break;
    case ExportFormat::Keylayout:
        args.filter =
            QStringLiteral("macOS Keyboard Layout (*.keylayout)|*.keylayout|All Files (*.*)|*.*");
        args.defaultExtension = QStringLiteral("keylayout");
        break;
    case ExportFormat::Xkb:
        args.filter = QStringLiteral("XKB Symbols (*)|*");
        args.defaultExtension = QString();
        args.fileName = kXkbLayoutName;
        break;
    }
    return args;
}

common::FileDialogArgs ExportCommands::pictureDialogArgs() {
    common::FileDialogArgs args;
    args.filter = QStringLiteral("PDF (*.pdf)|*.pdf|SVG (*.svg)|*.svg|PNG (*.png)|*.png");
    args.defaultExtension = QStringLiteral("pdf");
    args.askOverwrite = true;
    return args;
}

PictureFormat ExportCommands::pictureFormatOf(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QStringLiteral("svg")) {
        return PictureFormat::Svg;
    }
    if (ext == QStringLiteral("png")) {
        return PictureFormat::Png;
    }
    return PictureFormat::Pdf;
}

QString ExportCommands::shortenedMessage(const QList<int>& slotList) {
    QStringList keys;
    for (int slot : slotList) {
        const int key = slot % kKeyCount;
        keys << (key == kSpaceBarKey ? QStringLiteral("Space")
                                     : QString(QLatin1Char(keyTable()[key].legend))) +
                    (slot >= kKeyCount ? QStringLiteral(" (Shift)") : QString());
    }
    return QStringLiteral("همه حروف اين كليدها در اين قالب جاي نگرفت:") + QLatin1Char('\n') +
           keys.join(QStringLiteral("، "));
}

bool ExportCommands::write(const QString& path, const QByteArray& bytes) {
    if (bytes.isEmpty() || !common::writeFileAtomically(path, bytes)) {
        m_messenger.MsgBox(saveFailedMessage(QDir::toNativeSeparators(path)), common::kOkOnly,
                           common::errorTitle());
        return false;
    }
    return true;
}

bool ExportCommands::exportLayoutFile(ExportFormat format) {
    const std::optional<QString> path = m_dialogs.saveFile(dialogArgs(format));
    if (!path) {
        return false;
    }
    const ExportedLayout exported = exportLayout(format, xkbKeyTexts(m_model));
    if (!write(*path, exported.bytes)) {
        return false;
    }
    if (!exported.shortenedSlots.isEmpty()) {
        m_messenger.MsgBox(shortenedMessage(exported.shortenedSlots), common::kOkOnly,
                           common::noticeTitle());
    }
    return true;
}

bool ExportCommands::exportPicture(const QDate& date) {
    const std::optional<QString> path = m_dialogs.saveFile(pictureDialogArgs());
    if (!path) {
        return false;
    }
    return write(*path, renderLayoutPicture(pictureFormatOf(*path), pictureContent(m_model, date)));
}

} // namespace zerva::keyboard
