// What every program does first: right-to-left layout, Qt's Persian translation, the font.
#pragma once

#include <QString>

class QApplication;

namespace zerva::common {

// Sets the organisation (so settings live under "Zerva"), the application name, the
// right-to-left direction, Qt's Persian translation and the suite's font.
void setupSuiteApplication(QApplication& app, const QString& applicationName);

} // namespace zerva::common
