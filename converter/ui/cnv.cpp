// The Cnv window: its controls, their captions, and the wiring of events to the core.
#include "converter/ui/cnv.h"

#include "converter/cnv_texts.h"
#include "converter/ui/folder_list.h"
#include "converter/ui/menu.h"
#include "converter/window_rules.h"

#include "common/messages.h"
#include "common/services.h"
#include "common/settings_store.h"
#include "common/twips.h"
#include "common/ui/converter_controls.h"
#include "common/ui/fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStorageInfo>
#include <QUrl>
#include <QVBoxLayout>

namespace zerva::converter {

using common::named;

namespace {

// The help page's section about this program.
const QString kHelpSection = QStringLiteral("converter");

bool isFileVolume(const QStorageInfo& volume) {
    static const QStringList kSystemTypes = {
        QStringLiteral("tmpfs"),  QStringLiteral("devtmpfs"), QStringLiteral("proc"),
        QStringLiteral("sysfs"),  QStringLiteral("squashfs"), QStringLiteral("overlay"),
        QStringLiteral("devpts"), QStringLiteral("cgroup"),   QStringLiteral("cgroup2")};
    static const QStringList kSystemFolders = {QStringLiteral("/proc"), QStringLiteral("/sys"),
                                               QStringLiteral("/dev"),  QStringLiteral("/etc"),
                                               QStringLiteral("/run"),  QStringLiteral("/boot"),
                                               QStringLiteral("/snap")};
    const QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady() || !QFileInfo(root).isDir()) {
        return false;
    }
    if (kSystemTypes.contains(QString::fromLatin1(volume.fileSystemType()))) {
        return false;
    }
    if (root.startsWith(QStringLiteral("/run/media/"))) {
        return true;
    }
    for (const QString& f : kSystemFolders) {
        if (root == f || root.startsWith(f + QLatin1Char('/'))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<DriveEntry> driveEntries() {
    std::vector<DriveEntry> drives;
    const QStorageInfo rootVolume(QDir::rootPath());
    const QString rootLabel = rootVolume.name();
    drives.push_back({rootLabel.isEmpty()
                          ? QDir::rootPath()
                          : QDir::rootPath() + QStringLiteral(" [") + rootLabel + QLatin1Char(']'),
                      QDir::rootPath()});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isRoot() || !isFileVolume(volume)) {
            continue;
        }
        const QString root = volume.rootPath();
        const QString label = volume.name();
        drives.push_back(
            {label.isEmpty() ? root : root + QStringLiteral(" [") + label + QLatin1Char(']'),
             driveRoot(root)});
    }
    return drives;
}

Cnv::Cnv(QString installPath, CnvServices services, QWidget* parent)
    : QWidget(parent, common::kConverterWindowFlags), m_installPath(std::move(installPath)),
      m_services(services) {
    setObjectName(QStringLiteral("Cnv"));
    setWindowTitle(caption());
    setLayoutDirection(Qt::RightToLeft);

    m_label1 = named(new QLabel(texts::kLabel1()), QStringLiteral("Label1"));
    m_driveS = named(new QComboBox, QStringLiteral("DriveS"));
    m_dirS = named(new FolderList, QStringLiteral("DirS"), texts::kDirSTip());
    m_pathS = named(new QLabel, QStringLiteral("PathS"));
    m_label3 = named(new QLabel(texts::kLabel3()), QStringLiteral("Label3"));
    m_fileS = named(new QListWidget, QStringLiteral("FileS"), texts::kFileSTip());
    m_fileS->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_extention = named(new QComboBox, QStringLiteral("Extention"));
    m_extention->addItems(extentionEntries());
    m_extention->setLayoutDirection(Qt::LeftToRight);
    m_label4 = named(new QLabel(texts::kLabel4()), QStringLiteral("Label4"));
    m_fileFormat = named(new QComboBox, QStringLiteral("FileFormat"), texts::kFileFormatTip());
    m_fileFormat->setMinimumWidth(200);
    m_label2 = named(new QLabel(texts::kLabel2()), QStringLiteral("Label2"));
    m_driveD = named(new QComboBox, QStringLiteral("DriveD"));
    m_dirD = named(new FolderList, QStringLiteral("DirD"), texts::kDirDTip());
    m_pathD = named(new QLabel, QStringLiteral("PathD"));
    for (QLabel* path : {m_pathS, m_pathD}) {
        path->setFont(common::suiteFont(9));
        path->setLayoutDirection(Qt::LeftToRight);
        path->setTextFormat(Qt::PlainText);
    }
    for (QWidget* list : {static_cast<QWidget*>(m_dirS), static_cast<QWidget*>(m_dirD),
                          static_cast<QWidget*>(m_fileS)}) {
        list->setFont(common::suiteFont(9));
        list->setMinimumSize(200, 220);
    }

    m_direction = common::makeDirectionControls();

    m_label6 = named(new QLabel(texts::kLabel6()), QStringLiteral("Label6"));
    m_replace =
        named(new QCheckBox(texts::kReplace()), QStringLiteral("Replace"), texts::kReplaceTip());
    m_frmDir = named(new QGroupBox, QStringLiteral("frmDir"));
    m_changeDir = named(new QCheckBox(texts::kChangeDir()), QStringLiteral("ChangeDir"),
                        texts::kChangeDirTip());
    m_rtlDir =
        named(new QRadioButton(texts::kRTLDir()), QStringLiteral("RTLDir"), texts::kRTLDirTip());
    m_ltrDir =
        named(new QRadioButton(texts::kLTRDir()), QStringLiteral("LTRDir"), texts::kLTRDirTip());
    m_logicalDir = named(new QRadioButton(texts::kLogicalDir()), QStringLiteral("LogicalDir"),
                         texts::kLogicalDirTip());
    m_rtlDir->setChecked(true);
    for (QRadioButton* order : {m_rtlDir, m_ltrDir, m_logicalDir}) {
        order->setEnabled(false);
    }
    auto* dirLayout = new QVBoxLayout(m_frmDir);
    dirLayout->addWidget(m_changeDir);
    auto* dirOptions = new QHBoxLayout;
    dirOptions->addSpacing(16);
    dirOptions->addWidget(m_rtlDir);
    dirOptions->addWidget(m_ltrDir);
    dirOptions->addWidget(m_logicalDir);
    dirOptions->addStretch();
    dirLayout->addLayout(dirOptions);

    // The output of text files, towards code page 1256 only; the choice is remembered.
    m_frmOutput = named(new QGroupBox, QStringLiteral("frmOutput"));
    m_output1256 = named(new QRadioButton(texts::kOutput1256()), QStringLiteral("Output1256"),
                         texts::kOutput1256Tip());
    m_outputUtf8 = named(new QRadioButton(texts::kOutputUtf8()), QStringLiteral("OutputUtf8"),
                         texts::kOutputUtf8Tip());
    auto* outputLayout = new QHBoxLayout(m_frmOutput);
    outputLayout->addWidget(m_output1256);
    outputLayout->addWidget(m_outputUtf8);
    outputLayout->addStretch();
    (rememberedOutput(m_services.settings) == TextOutput::Utf8 ? m_outputUtf8 : m_output1256)
        ->setChecked(true);

    m_statusBar = named(new QLabel, QStringLiteral("StatusBar"));
    m_statusBar->setFrameShape(QFrame::Panel);
    m_statusBar->setFrameShadow(QFrame::Sunken);
    m_statusBar->setAutoFillBackground(true);
    m_statusBar->setMinimumHeight(26);
    m_statusBar->setTextFormat(Qt::PlainText);
    setStatusColour(false);

    m_commands = common::makeCommandButtons();

    // Three columns (right to left): source folder, files, destination folder.
    auto* columns = new QGridLayout;
    columns->addWidget(m_label1, 0, 0);
    columns->addWidget(m_driveS, 1, 0);
    columns->addWidget(m_dirS, 2, 0);
    columns->addWidget(m_pathS, 3, 0, Qt::AlignRight);
    columns->addWidget(m_label3, 0, 1);
    columns->addWidget(m_fileS, 1, 1, 2, 1);
    columns->addWidget(m_extention, 3, 1);
    columns->addWidget(m_label2, 0, 2);
    columns->addWidget(m_driveD, 1, 2);
    columns->addWidget(m_dirD, 2, 2);
    columns->addWidget(m_pathD, 3, 2, Qt::AlignRight);
    columns->setRowStretch(2, 1);

    auto* options = new QGridLayout;
    options->addWidget(m_label4, 0, 0);
    options->addWidget(m_fileFormat, 1, 0, Qt::AlignTop);
    options->addWidget(m_direction.label, 0, 1);
    options->addWidget(m_direction.frame, 1, 1);
    options->addWidget(m_frmOutput, 2, 1);
    options->addWidget(m_label6, 0, 2);
    auto* special = new QVBoxLayout;
    special->addWidget(m_replace);
    special->addWidget(m_frmDir);
    options->addLayout(special, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_commands.change);
    buttons->addWidget(m_commands.help);
    buttons->addWidget(m_commands.exit);
    buttons->addStretch();

    auto* root = new QVBoxLayout(this);
    root->addLayout(columns, 1);
    root->addSpacing(6);
    root->addLayout(options);
    root->addSpacing(6);
    root->addWidget(m_statusBar);
    root->addLayout(buttons);

    connect(m_driveS, &QComboBox::activated, this, &Cnv::DriveS_Change);
    connect(m_driveD, &QComboBox::activated, this, &Cnv::DriveD_Change);
    m_dirS->onPathChanged = [this](const QString&) { DirS_Change(); };
    m_dirD->onPathChanged = [this](const QString&) { DirD_Change(); };
    connect(m_extention, &QComboBox::activated, this, &Cnv::Extention_Click);
    connect(m_fileS, &QListWidget::itemSelectionChanged, this, &Cnv::updateSelectionStatus);
    connect(m_fileFormat, &QComboBox::activated, this, &Cnv::FileFormat_Click);
    connect(m_changeDir, &QCheckBox::clicked, this, &Cnv::ChangeDir_Click);
    connect(m_outputUtf8, &QRadioButton::toggled, this, [this](bool utf8) {
        rememberOutput(m_services.settings, utf8 ? TextOutput::Utf8 : TextOutput::CodePage1256);
    });
    connect(m_direction.toMs, &QRadioButton::toggled, this, [this](bool toMs) {
        m_frmOutput->setEnabled(toMs); // Unicode output is written towards code page 1256 only
    });
    connect(m_commands.change, &QPushButton::clicked, this, &Cnv::cmdChange_Click);
    connect(m_commands.help, &QPushButton::clicked, this, &Cnv::cmdHelp_Click);
    connect(m_commands.exit, &QPushButton::clicked, this, &Cnv::cmdExit_Click);
    m_fileS->installEventFilter(this);
    m_fileS->viewport()->installEventFilter(this);
    m_fileFormat->installEventFilter(this);
    // F1 anywhere in the window, whichever control has the focus.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &Cnv::cmdHelp_Click);
}

Cnv::~Cnv() = default;

QString Cnv::caption() {
    return texts::kCaption() + QChar(0x200F);
}

void Cnv::setDrives(const std::vector<DriveEntry>& drives) {
    for (QComboBox* list : {m_driveS, m_driveD}) {
        list->clear();
        for (const DriveEntry& d : drives) {
            list->addItem(d.text, d.root);
        }
    }
}

bool Cnv::load(const QString& startFolder) {
    if (m_driveS->count() == 0) {
        setDrives(driveEntries());
    }
    m_extention->setCurrentIndex(0);
    // Both sides start on the drive that holds the start folder, in that folder.
    const QString start = QDir::cleanPath(QDir(startFolder).absolutePath());
    int best = 0;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_driveS->count(); ++i) {
        const QString root = QDir::cleanPath(m_driveS->itemData(i).toString());
        const bool holds =
            root == QDir::rootPath() || start == root || start.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    for (auto [drives, folders] : {std::pair{m_driveS, m_dirS}, std::pair{m_driveD, m_dirD}}) {
        drives->setCurrentIndex(best);
        driveChange(drives, folders);
        folders->setPath(drives->currentData().toString(), start);
    }
    m_statusBar->setText(texts::kNoneSelected());
    m_commands.change->setEnabled(false);

    const auto tables = LoadTableList(m_installPath, m_services.messenger);
    if (!tables) {
        return false;
    }
    m_fileFormat->clear();
    m_twoWay.clear();
    for (const TableListEntry& t : *tables) {
        m_fileFormat->addItem(t.name);
        m_twoWay.push_back(t.twoWay);
    }
    m_fileFormat->setCurrentIndex(0);
    FileFormat_Click();
    updateSelectionStatus();
    return true;
}

QString Cnv::sourceFolder() const {
    return m_dirS->path();
}

QString Cnv::destinationFolder() const {
    return m_dirD->path();
}

void Cnv::DriveS_Change() {
    driveChange(m_driveS, m_dirS);
}

void Cnv::DriveD_Change() {
    driveChange(m_driveD, m_dirD);
}

void Cnv::driveChange(QComboBox* drives, FolderList* folders) {
    const QString root = driveRoot(drives->currentText());
    if (folders->setPath(root, root)) {
        return;
    }
    m_services.messenger.MsgBox(texts::kMsgDriveUnreadable(), common::kOkOnly, QString());
    // Back to the drive of the folder the list still shows.
    for (int i = 0; i < drives->count(); ++i) {
        if (drives->itemData(i).toString() == folders->root()) {
            drives->setCurrentIndex(i);
            break;
        }
    }
}

void Cnv::DirS_Change() {
    showPath(m_pathS, m_dirS->path(), m_driveS, kPathSWidth);
    fillFiles();
    updateSelectionStatus();
}

void Cnv::DirD_Change() {
    showPath(m_pathD, m_dirD->path(), m_driveD, kPathDWidth);
}

void Cnv::showPath(QLabel* label, const QString& path, QComboBox* drives, int maxTwips) {
    const QFontMetrics metrics(label->font());
    const auto widthTwips = [&metrics](const QString& text) {
        return common::pixelsToTwips(metrics.horizontalAdvance(text));
    };
    const ShortPath shown =
        shortenPath(path, driveRoot(drives->currentText()), maxTwips, widthTwips);
    label->setText(shown.text);
    label->setToolTip(path);
    const int maxPixels = common::twipsToPixels(maxTwips);
    label->setFixedWidth(shown.clipped ? maxPixels
                                       : std::min(maxPixels, metrics.horizontalAdvance(shown.text) +
                                                                 2 * label->margin() + 2));
}

void Cnv::fillFiles() {
    const QSignalBlocker block(m_fileS);
    m_fileS->clear();
    const QDir dir(m_dirS->path());
    m_fileS->addItems(dir.entryList(filePatterns(m_extention->currentText()),
                                    QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase));
}

void Cnv::Extention_Click() {
    fillFiles();
    updateSelectionStatus();
}

void Cnv::updateSelectionStatus() {
    if (m_running) {
        return; // the run owns the status line
    }
    const int selected = static_cast<int>(m_fileS->selectedItems().size());
    m_statusBar->setText(selectionStatusText(selected, m_fileS->count()));
    m_commands.change->setEnabled(selected > 0);
}

void Cnv::FileFormat_Click() {
    const int position = m_fileFormat->currentIndex();
    const bool twoWay = position >= 0 && position < static_cast<int>(m_twoWay.size()) &&
                        m_twoWay[static_cast<std::size_t>(position)];
    const DirectionState s = directionRules(twoWay, m_changeDir->isChecked());
    m_direction.fromMs->setEnabled(s.changeFromMsEnabled);
    if (s.forceChangeToMs) {
        m_direction.toMs->setChecked(true);
    }
    m_changeDir->setEnabled(s.changeDirEnabled);
    for (QRadioButton* order : {m_rtlDir, m_ltrDir, m_logicalDir}) {
        order->setEnabled(s.reorderEnabled);
    }
}

void Cnv::ChangeDir_Click() {
    for (QRadioButton* order : {m_rtlDir, m_ltrDir, m_logicalDir}) {
        order->setEnabled(m_changeDir->isChecked());
    }
}

void Cnv::SelAll_Click() {
    m_fileS->selectAll();
}

void Cnv::DeselAll_Click() {
    m_fileS->clearSelection();
}

void Cnv::RevSel_Click() {
    const QSignalBlocker block(m_fileS);
    for (int i = 0; i < m_fileS->count(); ++i) {
        m_fileS->item(i)->setSelected(!m_fileS->item(i)->isSelected());
    }
    updateSelectionStatus();
}

void Cnv::cmdChange_Click() {
    RunSettings settings;
    settings.sourceFolder = m_dirS->path();
    settings.destinationFolder = m_dirD->path();
    settings.overwrite = m_replace->isChecked();
    settings.tableFolder = m_installPath;
    settings.tableNumber = m_fileFormat->currentIndex() + 1;
    settings.direction = m_direction.direction();
    if (m_changeDir->isEnabled() && m_changeDir->isChecked()) {
        settings.reorder = m_rtlDir->isChecked()   ? Reorder::RightToLeft
                           : m_ltrDir->isChecked() ? Reorder::LeftToRight
                                                   : Reorder::Logical;
    }
    if (settings.direction == Direction::ToMs && m_outputUtf8->isChecked()) {
        settings.output = TextOutput::Utf8;
    }
    m_running = true;
    m_lastOutcome = RunConversion(settings, *this, m_services.word, m_services.messenger);
    m_running = false;
    setStatusColour(false);
    if (m_lastOutcome == RunOutcome::TableFailed) {
        close();
        return;
    }
    // Converted files appear in the list when they were written into the source folder.
    if (m_lastOutcome == RunOutcome::Finished || m_lastOutcome == RunOutcome::Stopped) {
        QStringList selected;
        for (const QListWidgetItem* item : m_fileS->selectedItems()) {
            selected << item->text();
        }
        fillFiles();
        const QSignalBlocker block(m_fileS);
        for (int i = 0; i < m_fileS->count(); ++i) {
            m_fileS->item(i)->setSelected(selected.contains(m_fileS->item(i)->text()));
        }
    }
    updateSelectionStatus();
}

void Cnv::cmdHelp_Click() {
    common::openSuiteHelp(m_services.settings, m_services.help, kHelpSection);
}

void Cnv::cmdExit_Click() {
    close();
}

bool Cnv::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_fileS && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::SelectAll)) {
            SelAll_Click();
            return true;
        }
    } else if (watched == m_fileS->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                                  event->type() == QEvent::MouseButtonDblClick)) {
        // The list would make the clicked file the whole selection: the right button only
        // opens the menu, whose items are the one way it changes the selection.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            m_fileS->setFocus(Qt::MouseFocusReason);
            return true;
        }
    } else if (watched == m_fileS->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            showFileMenu(mouse->globalPosition().toPoint());
            return true;
        }
    } else if (watched == m_fileS && event->type() == QEvent::ContextMenu &&
               static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The menu key opens the same menu, under the current file.
        const QRect current = m_fileS->visualItemRect(m_fileS->currentItem());
        const QPoint at = current.isValid() ? current.center() : QPoint(0, 0);
        showFileMenu(m_fileS->viewport()->mapToGlobal(at));
        return true;
    } else if (watched == m_fileFormat && event->type() == QEvent::FocusIn) {
        FileFormat_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void Cnv::showFileMenu(const QPoint& globalPos) {
    auto menu = std::make_unique<Menu>();
    connect(menu->SelAll(), &QAction::triggered, this, &Cnv::SelAll_Click);
    connect(menu->DeselAll(), &QAction::triggered, this, &Cnv::DeselAll_Click);
    connect(menu->RevSel(), &QAction::triggered, this, &Cnv::RevSel_Click);
    menu->popup(globalPos);
}

int Cnv::fileCount() const {
    return m_fileS->count();
}

QString Cnv::fileName(int index) const {
    return m_fileS->item(index)->text();
}

bool Cnv::isSelected(int index) const {
    return m_fileS->item(index)->isSelected();
}

void Cnv::ShowBusy(int index, const QString& text) {
    Q_UNUSED(index);
    m_statusBar->setText(text);
    setStatusColour(true);
    m_statusBar->repaint();
}

void Cnv::ShowDone(int index) {
    m_fileS->item(index)->setSelected(false);
    setStatusColour(false);
    m_fileS->repaint();
}

void Cnv::ShowIdle() {
    setStatusColour(false);
    m_statusBar->repaint();
}

void Cnv::setStatusColour(bool busy) {
    QPalette p = m_statusBar->palette();
    p.setColor(QPalette::Window, palette().color(busy ? QPalette::ToolTipBase : QPalette::Button));
    p.setColor(QPalette::WindowText,
               palette().color(busy ? QPalette::ToolTipText : QPalette::ButtonText));
    m_statusBar->setPalette(p);
}

} // namespace zerva::converter
