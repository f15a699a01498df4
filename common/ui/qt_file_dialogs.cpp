// Open and save through QFileDialog, with filters, default extension and overwrite question.
#include "qt_file_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace zerva::common {
namespace {

// The dialog's size where the screen allows it, and the side panel's width.
constexpr QSize kDialogSize(820, 540);
constexpr int kSidePanelWidth = 190;
// Room beside a button's caption, so that it does not touch the button's edges.
constexpr int kButtonPadding = 28;
const QString kFitterName = QStringLiteral("fileDialogFitter");

// Shows the date column's texts left to right: "7 Dec 2026 16:00" in a right-to-left cell
// shows its day at the far end.
class LeftToRightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->direction = Qt::LeftToRight;
    }
};

// Draws a control's texts left to right whatever the application's direction: the folder
// box paints its path with the application's direction even when it is itself left to right.
class LeftToRightTextStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text,
                      QPalette::ColorRole textRole) const override {
        QProxyStyle::drawItemText(painter, rect, flags | Qt::TextForceLeftToRight, palette, enabled,
                                  text, textRole);
    }
};

void fitControls(QFileDialog& dialog) {
    // A path or a Latin file name in a right-to-left field shows its leading slash or dot at
    // the far end ("home/user/" for "/home/user"): these fields read left to right.
    for (const char* name : {"lookInCombo", "fileNameEdit"}) {
        if (auto* field = dialog.findChild<QWidget*>(QString::fromLatin1(name))) {
            field->setLayoutDirection(Qt::LeftToRight);
        }
    }
    if (auto* folders = dialog.findChild<QComboBox*>(QStringLiteral("lookInCombo"));
        folders != nullptr && dynamic_cast<LeftToRightTextStyle*>(folders->style()) == nullptr) {
        auto* style = new LeftToRightTextStyle;
        style->setParent(folders);
        folders->setStyle(style);
    }
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) {
        const int total = splitter->width() > 0 ? splitter->width() : dialog.width();
        splitter->setSizes({kSidePanelWidth, std::max(0, total - kSidePanelWidth)});
    }
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        // Size, type and date as wide as their texts; the name takes the rest.
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        constexpr int kDateColumn = 3;
        if (tree->itemDelegateForColumn(kDateColumn) == nullptr) {
            tree->setItemDelegateForColumn(kDateColumn, new LeftToRightDelegate(tree));
        }
    }
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        // Right to left, the style puts a button's icon over the start of its caption and the
        // caption against the button's edge: captions alone, with room on both sides.
        for (QAbstractButton* b : buttons->buttons()) {
            b->setIcon(QIcon());
            const int text = b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&')));
            b->setMinimumWidth(std::max(b->minimumWidth(), text + kButtonPadding));
        }
    }
}

class FitOnShow : public QObject {
public:
    explicit FitOnShow(QFileDialog* dialog) : QObject(dialog), m_dialog(dialog) {
        setObjectName(kFitterName);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_dialog && event->type() == QEvent::Show) {
            fitControls(*m_dialog);
        }
        return false;
    }

private:
    QFileDialog* m_dialog;
};

std::optional<QString> run(QWidget* parent, const FileDialogArgs& args, bool save) {
    QFileDialog dialog(parent, args.title, args.directory);
    configureFileDialog(dialog, args, save);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

} // namespace

void configureFileDialog(QFileDialog& dialog, const FileDialogArgs& args, bool save) {
    dialog.setNameFilters(nameFilters(args.filter));
    dialog.setDefaultSuffix(args.defaultExtension);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !args.askOverwrite) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!args.fileName.isEmpty()) {
        dialog.selectFile(args.fileName);
    }
    fitFileDialog(dialog);
}

void fitFileDialog(QFileDialog& dialog) {
    QSize size = kDialogSize;
    if (const QScreen* screen = dialog.screen()) {
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    }
    dialog.resize(size);
    // The toolkit's dialog makes its controls when it is first shown (a desktop's dialog
    // makes none): they are fitted then.
    if (dialog.findChild<QObject*>(kFitterName, Qt::FindDirectChildrenOnly) == nullptr) {
        dialog.installEventFilter(new FitOnShow(&dialog));
    }
}

std::optional<QString> QtFileDialogs::openFile(const FileDialogArgs& args) {
    return run(m_parent, args, false);
}

std::optional<QString> QtFileDialogs::saveFile(const FileDialogArgs& args) {
    return run(m_parent, args, true);
}

} // namespace zerva::common
