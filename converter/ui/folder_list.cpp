// The folder list.
#include "converter/ui/folder_list.h"

#include <QDir>
#include <QStyle>

namespace zerva::converter {

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, &FolderList::open);
}

bool FolderList::setPath(const QString& root, const QString& path) {
    const QDir dir(path);
    if (!dir.exists() || !dir.isReadable()) {
        return false;
    }
    const QString clean = QDir::cleanPath(dir.absolutePath());
    const QString cleanRoot = QDir::cleanPath(root);
    QStringList chain; // root first, then each folder down to the current one
    QString walk = clean;
    while (walk.size() > cleanRoot.size() && walk.startsWith(cleanRoot)) {
        chain.prepend(walk);
        const QString up = QDir::cleanPath(walk + QStringLiteral("/.."));
        if (up == walk) {
            break;
        }
        walk = up;
    }
    chain.prepend(cleanRoot);

    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = depth == 0 ? root : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(openIcon, QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(kPathRole, p);
        addItem(item);
        current = item;
        ++depth;
    }
    const QStringList children =
        QDir(clean).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(closedIcon, QString(depth * 2, QLatin1Char(' ')) + child);
        item->setData(kPathRole, QDir(clean).filePath(child));
        addItem(item);
    }
    setCurrentItem(current);
    m_root = root;
    m_path = clean;
    if (onPathChanged) {
        onPathChanged(m_path);
    }
    return true;
}

void FolderList::open(QListWidgetItem* item) {
    if (item) {
        setPath(m_root, item->data(kPathRole).toString());
    }
}

} // namespace zerva::converter
