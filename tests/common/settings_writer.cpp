// A second program writing the settings store at the same time as another, for the tests of
// concurrent writers. Waits until the file GO exists, then makes COUNT changes:
//   set:   sets "v<i>" = "<i>" under HKEY_CURRENT_USER\Race\TAG
//   churn: sets and deletes the key Race\Churn\TAG<i>, then sets "v<i>" under Race\TAG
// and exits 0 when every change was reported done, 1 otherwise.
#include "common/settings_store.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>

using namespace zerva::common;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 7) {
        std::fputs("usage: settings_writer USER DEFAULTS GO set|churn TAG COUNT\n", stderr);
        return 2;
    }
    SettingsStore store(args[1], args[2]);
    const QString mode = args[4];
    const QString tag = args[5];
    const int count = args[6].toInt();
    while (!QFile::exists(args[3])) {
        QThread::msleep(1);
    }
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        if (mode == QStringLiteral("churn")) {
            const QString churn = QStringLiteral("Race\\Churn\\") + tag + n;
            failures += store.setString(HKEY_CURRENT_USER, churn, QString(), n) ? 0 : 1;
            failures += store.deleteKey(HKEY_CURRENT_USER, churn) ? 0 : 1;
        }
        failures += store.setString(HKEY_CURRENT_USER, QStringLiteral("Race\\") + tag,
                                    QStringLiteral("v") + n, n)
                        ? 0
                        : 1;
    }
    if (failures != 0) {
        std::fprintf(stderr, "%d changes failed\n", failures);
    }
    return failures == 0 ? 0 : 1;
}
