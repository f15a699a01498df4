// Cnv: the file converter's window. The user picks the source folder and files, the
// destination folder, the format (conversion table) and the direction, and starts a run.
#pragma once

#include "converter/batch_driver.h"
#include "converter/conversion_table.h"

#include "common/ui/converter_controls.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace zerva::common {
class HelpViewer;
class Messenger;
class SettingsStore;
} // namespace zerva::common

namespace zerva::converter {

class FolderList;

struct CnvServices {
    common::Messenger& messenger;
    WordService& word;
    common::HelpViewer& help;
    common::SettingsStore& settings; // the output choice is remembered here
};

// One entry of a drive list: what it shows ("/media/usb [LABEL]") and its root folder.
struct DriveEntry {
    QString text;
    QString root;
};

// The root of the file system and the mounted volumes that hold files, with their labels.
std::vector<DriveEntry> driveEntries();

class Cnv : public QWidget, private RunWindow {
    Q_OBJECT
public:
    Cnv(QString installPath, CnvServices services, QWidget* parent = nullptr);
    ~Cnv() override;

    // Fills the lists; false when the table list is unusable (the user was told) and the
    // window must close. startFolder: where both folder lists start (its drive is chosen).
    bool load(const QString& startFolder);

    // The caption, ending in a right-to-left mark.
    static QString caption();

    // Maximum widths of the path labels, in twips.
    static constexpr int kPathSWidth = 2160;
    static constexpr int kPathDWidth = 2040;

    // The folder lists' current folders.
    QString sourceFolder() const;
    QString destinationFolder() const;
    // Replaces the drive list entries (the system's are read by load).
    void setDrives(const std::vector<DriveEntry>& drives);

    // Events of the window, callable as the controls call them.
    void DriveS_Change();
    void DriveD_Change();
    void Extention_Click();
    void FileFormat_Click();
    void ChangeDir_Click();
    void cmdChange_Click();
    void cmdHelp_Click();
    void cmdExit_Click();
    void SelAll_Click();
    void DeselAll_Click();
    void RevSel_Click();
    void updateSelectionStatus();

    // The outcome of the last run.
    RunOutcome lastOutcome() const { return m_lastOutcome; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // RunWindow
    int fileCount() const override;
    QString fileName(int index) const override;
    bool isSelected(int index) const override;
    void ShowBusy(int index, const QString& text) override;
    void ShowDone(int index) override;
    void ShowIdle() override;

    void driveChange(QComboBox* drives, FolderList* folders);
    void DirS_Change();
    void DirD_Change();
    void showPath(QLabel* label, const QString& path, QComboBox* drives, int maxTwips);
    void fillFiles();
    // The pop-up menu of the file list (select all, none, invert) at a screen position.
    void showFileMenu(const QPoint& globalPos);
    void setStatusColour(bool busy);

    QString m_installPath;
    CnvServices m_services;
    std::vector<bool> m_twoWay;
    bool m_running = false;
    RunOutcome m_lastOutcome = RunOutcome::Finished;

    QLabel* m_label1;
    QComboBox* m_driveS;
    FolderList* m_dirS;
    QLabel* m_pathS;
    QLabel* m_label3;
    QListWidget* m_fileS;
    QComboBox* m_extention;
    QLabel* m_label4;
    QComboBox* m_fileFormat;
    QLabel* m_label2;
    QComboBox* m_driveD;
    FolderList* m_dirD;
    QLabel* m_pathD;
    common::DirectionControls m_direction;
    QLabel* m_label6;
    QCheckBox* m_replace;
    QGroupBox* m_frmDir;
    QCheckBox* m_changeDir;
    QRadioButton* m_ltrDir;
    QRadioButton* m_rtlDir;
    QRadioButton* m_logicalDir;
    QGroupBox* m_frmOutput;
    QRadioButton* m_output1256;
    QRadioButton* m_outputUtf8;
    QLabel* m_statusBar;
    common::CommandButtons m_commands;
};

} // namespace zerva::converter
