// Service helpers that hold a rule of their own: which help page opens, dialog filters.
#include "services.h"

#include "settings_store.h"

#include <QUrl>

namespace zerva::common {

bool openSuiteHelp(const SettingsStore& store, HelpViewer& viewer, const QString& section) {
    const QString page = RegReadString(store, HKEY_LOCAL_MACHINE, kProductKey,
                                       QStringLiteral("help"));
    if (page == kNotFound || page.isEmpty()) {
        return false;
    }
    if (section.isEmpty()) {
        return viewer.open(page);
    }
    QUrl url = QUrl::fromUserInput(page, QString(), QUrl::AssumeLocalFile);
    const QString file = url.path().toLower();
    if (file.endsWith(QStringLiteral(".html")) || file.endsWith(QStringLiteral(".htm"))) {
        url.setFragment(section);
    }
    return viewer.open(url.toString());
}

QStringList nameFilters(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('('))) {
            description += QStringLiteral(" (%1)").arg(pattern);
        }
        out << description;
    }
    return out;
}

} // namespace zerva::common
