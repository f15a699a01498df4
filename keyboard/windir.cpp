// Where the keyboard program keeps the system's layout file.
#include "windir.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zerva::keyboard {

QString Windir() {
    const QString fromEnvironment = qEnvironmentVariable(kWindirVariable);
    if (!fromEnvironment.isEmpty()) {
        return QDir::cleanPath(fromEnvironment);
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Zerva/Windows");
}

QString systemLayoutPath() {
    return Windir() + QStringLiteral("/System/KBDA1.KBD");
}

SeedResult seedLayoutFile(const QString& path, QByteArrayView bytes) {
    const QFileInfo info(path);
    if (info.exists()) {
        return SeedResult::AlreadyPresent;
    }
    if (bytes.isEmpty() || !QDir().mkpath(info.absolutePath())) {
        return SeedResult::Failed;
    }
    return common::writeFileAtomically(path, bytes) ? SeedResult::Created : SeedResult::Failed;
}

SeedResult seedSystemLayoutFile(QByteArrayView standardImage) {
    return seedLayoutFile(systemLayoutPath(), standardImage);
}

} // namespace zerva::keyboard
