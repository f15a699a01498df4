// The window's export commands: the layout shown, written for another system or as its
// picture, to a file the user chooses. What cannot be written, or is written short, is told
// to the user in Persian.
#pragma once

#include "keyboard/layout_export.h"
#include "keyboard/layout_model.h"
#include "keyboard/print/layout_picture.h"

#include "common/messages.h"
#include "common/services.h"

#include <QDate>

namespace zerva::keyboard {

class ExportCommands {
public:
    ExportCommands(const LayoutModel& model, common::Messenger& messenger,
                   common::FileDialogs& dialogs)
        : m_model(model), m_messenger(messenger), m_dialogs(dialogs) {}

    // Each asks for a file and writes it; false when cancelled or failed (failures reported).
    bool exportLayoutFile(ExportFormat format);
    // The picture; its format follows the chosen file's extension (.pdf, .svg, .png).
    bool exportPicture(const QDate& date = QDate::currentDate());

    // The save dialog's filter and default extension of each export.
    static common::FileDialogArgs dialogArgs(ExportFormat format);
    static common::FileDialogArgs pictureDialogArgs();
    // The picture format a file name asks for; PDF when the extension says nothing known.
    static PictureFormat pictureFormatOf(const QString& path);

    static QString shortenedMessage(const QList<int>& slotList);

private:
    bool write(const QString& path, const QByteArray& bytes);

    const LayoutModel& m_model;
    common::Messenger& m_messenger;
    common::FileDialogs& m_dialogs;
};

} // namespace zerva::keyboard
