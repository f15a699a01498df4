// CBCnv: the clipboard converter's window. The user picks a two-way table and a direction
// and converts the clipboard; the convert button follows the clipboard's contents.
#pragma once

#include "clipboard/clipboard_service.h"
#include "clipboard/clipboard_table.h"
#include "clipboard/cls_clipboard.h"

#include "common/ui/converter_controls.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;

namespace zerva::common {
class HelpViewer;
class Messenger;
class SettingsStore;
} // namespace zerva::common

namespace zerva::clipboard {

struct CBCnvServices {
    common::Messenger& messenger;
    ClipboardService& clipboard;
    common::HelpViewer& help;
    const common::SettingsStore& settings;
};

class CBCnv : public QWidget {
    Q_OBJECT
public:
    CBCnv(QString installPath, CBCnvServices services, QWidget* parent = nullptr);
    ~CBCnv() override;

    // Fills the format list with the two-way tables and starts the clipboard watch. False
    // when there is nothing to offer (the user was told); the window must then close.
    bool load();

    // The caption: the program's name, a right-to-left mark and the version.
    static QString caption();

    // Entry k is the table number n of TABLE<n>.INI at position k of FileFormat.
    const std::vector<int>& TableNumbers() const { return m_tableNumbers; }
    const clsClipboard& watch() const { return *m_watch; }

    // Reads the clipboard again and shows the start of its text before and after conversion
    // with the chosen table and direction. Runs on every clipboard change and choice.
    void refreshPreview();

private:
    void cmdChange_Click();
    void cmdHelp_Click();
    void cmdExit_Click();

    QString m_installPath;
    CBCnvServices m_services;
    std::vector<int> m_tableNumbers;
    std::unique_ptr<clsClipboard> m_watch;
    // The table the preview last used, read again only when the choice changes.
    struct PreviewTable {
        int number = 0;
        Direction direction = Direction::ToMs;
        std::optional<ClipboardTable> table;
    };
    std::optional<PreviewTable> m_previewTable;

    QLabel* m_label4;
    QComboBox* m_fileFormat;
    common::DirectionControls m_direction;
    QLabel* m_label6;
    QLabel* m_previewBefore;
    QLabel* m_label7;
    QLabel* m_previewAfter;
    common::CommandButtons m_commands;
};

} // namespace zerva::clipboard
