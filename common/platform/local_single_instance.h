// The single-instance service over a per-user local socket.
#pragma once

#include "common/services.h"

#include <QObject>

class QLocalServer;

namespace zerva::common {

class LocalSingleInstance : public QObject, public SingleInstance {
    Q_OBJECT
public:
    // name: the program's own name; the socket is private to the user.
    explicit LocalSingleInstance(const QString& name, QObject* parent = nullptr);
    ~LocalSingleInstance() override;

    bool raiseRunningCopy() override;
    bool listen(std::function<void()> onRaise) override;

    const QString& serverName() const { return m_serverName; }

private:
    QString m_serverName;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onRaise;
};

} // namespace zerva::common
