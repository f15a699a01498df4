// Finding the suite's data files on a file system where letter case matters.
#pragma once

#include <QString>

namespace zerva::clipboard {

// folder/name when it exists; otherwise the first entry of folder whose name equals name
// without regard to case; otherwise folder/name (which then fails to open).
QString findFileNoCase(const QString& folder, const QString& name);

} // namespace zerva::clipboard
