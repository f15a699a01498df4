// Paths handed to the tests by CTest's environment.
#include "test_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zerva::test {

QString binDir() { return QStringLiteral(ZERVA_TEST_BIN_DIR); }

QString dataDir() { return QDir::cleanPath(binDir() + QStringLiteral("/../share/zerva")); }

QString sourceDir() { return QStringLiteral(ZERVA_TEST_SOURCE_DIR); }

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace zerva::test
