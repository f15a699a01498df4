// A second copy connects to the first one's socket, asks it to come forward and ends.
#include "local_single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace zerva::common {
namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
constexpr int kTimeoutMs = 1000;

} // namespace

LocalSingleInstance::LocalSingleInstance(const QString& name, QObject* parent)
    : QObject(parent),
      m_serverName(QStringLiteral("zerva-%1-%2").arg(name).arg(::getuid())) {}

LocalSingleInstance::~LocalSingleInstance() = default;

bool LocalSingleInstance::raiseRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kTimeoutMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool LocalSingleInstance::listen(std::function<void()> onRaise) {
    m_onRaise = std::move(onRaise);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        // A socket left by a copy that crashed: nobody answered on it, so take it over.
        QLocalServer::removeServer(m_serverName);
        if (!m_server->listen(m_serverName)) {
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(kRaiseRequest.trimmed()) && m_onRaise) {
                    m_onRaise();
                }
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace zerva::common
