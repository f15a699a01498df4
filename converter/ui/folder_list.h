// A folder list: the folders from the drive's root down to the current folder, then the
// current folder's subfolders. Opening an entry (double click or Enter) makes it current.
#pragma once

#include <QListWidget>

#include <functional>

namespace zerva::converter {

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    const QString& path() const { return m_path; }
    const QString& root() const { return m_root; }

    // Shows the folder (under the given drive root); false, with nothing changed, when the
    // folder cannot be read.
    bool setPath(const QString& root, const QString& path);

    // Called after the current folder changed.
    std::function<void(const QString&)> onPathChanged;

private:
    void open(QListWidgetItem* item);

    QString m_root;
    QString m_path;
};

} // namespace zerva::converter
