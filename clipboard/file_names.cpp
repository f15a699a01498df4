// Data file names are written in upper case by the suite but often copied in other cases.
#include "file_names.h"

#include <QDir>
#include <QFileInfo>

namespace zerva::clipboard {

QString findFileNoCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact)) {
        return exact;
    }
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return dir.filePath(entry);
        }
    }
    return exact;
}

} // namespace zerva::clipboard
