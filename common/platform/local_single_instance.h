// The single-instance service over a local socket private to the user and the display.
#pragma once

#include "common/services.h"

#include <QObject>
#include <QProcessEnvironment>

class QLocalServer;

namespace zerva::common {

class LocalSingleInstance : public QObject, public SingleInstance {
    Q_OBJECT
public:
    // name: the program's own name. The socket's path comes from the process environment.
    explicit LocalSingleInstance(const QString& name, QObject* parent = nullptr);
    ~LocalSingleInstance() override;

    // A running copy is asked to come forward only when the process listening on the socket
    // belongs to this user; a socket held by anyone else counts as no running copy.
    bool raiseRunningCopy() override;
    // False when the socket cannot be made, also when the name is taken by a file of
    // another user, which is left alone: the program then runs without answering.
    bool listen(std::function<void()> onRaise) override;

    const QString& serverName() const { return m_serverName; }

    // The socket of a program: in the user's runtime folder (XDG_RUNTIME_DIR, the temporary
    // folder when it is unset), named after the program, the user and the display or
    // session, so that the sessions of one user on two displays do not meet.
    static QString socketPath(const QString& program, const QProcessEnvironment& env);

private:
    QString m_serverName;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onRaise;
};

} // namespace zerva::common
