// Application-wide settings shared by the three programs.
#include "app_setup.h"

#include "fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace zerva::common {

void setupSuiteApplication(QApplication& app, const QString& applicationName) {
    QApplication::setOrganizationName(QStringLiteral("Zerva"));
    QApplication::setApplicationName(applicationName);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_fa"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
    QApplication::setFont(suiteFont(9));
}

} // namespace zerva::common
