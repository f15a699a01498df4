// Where tests find the build tree and the sources.
#pragma once

#include "tests/support/printers.h"

#include <QString>

namespace zerva::test {

QString binDir();    // the build tree's bin/ (programs and tools)
QString dataDir();   // the build tree's share/zerva
QString sourceDir(); // the project's sources

// Writes text to a file, creating folders; returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace zerva::test
