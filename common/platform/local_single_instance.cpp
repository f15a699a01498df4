// A second copy connects to the first one's socket and, when the listener is a process of
// the same user, asks it to come forward and ends. The socket's name is predictable, so
// whoever listens there is checked (the kernel's peer credentials) before anything is
// believed; a socket of someone else neither stops a start nor is removed.
#include "local_single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace zerva::common {
namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
constexpr int kTimeoutMs = 1000;
// Display names longer than this are hashed, so the path stays within a socket address.
constexpr qsizetype kMaxDisplayPart = 48;

// The effective user of the process at the other end of a connected local socket.
std::optional<uid_t> peerUser(qintptr descriptor) {
    if (descriptor < 0) {
        return std::nullopt;
    }
    ucred cred{};
    socklen_t length = sizeof cred;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0 ||
        length != sizeof cred) {
        return std::nullopt;
    }
    return cred.uid;
}

bool peerIsThisUser(const QLocalSocket& socket) {
    const std::optional<uid_t> uid = peerUser(socket.socketDescriptor());
    return uid && *uid == ::geteuid();
}

// True when nothing is at the path, or a socket of this user that may be replaced.
bool freeOrOurs(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid();
}

// A value made safe for a file name: letters, digits and "-._~" stay, every other byte is
// written as %XX, so two different values never give one name.
QString fileNamePart(const QString& value) {
    const QByteArray encoded = QUrl::toPercentEncoding(value);
    if (encoded.size() <= kMaxDisplayPart) {
        return QString::fromLatin1(encoded);
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(value.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
}

QString displayPart(const QProcessEnvironment& env) {
    const struct {
        const char* variable;
        const char* prefix;
    } sources[] = {{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", "x"}, {"XDG_SESSION_ID", "s"}};
    for (const auto& source : sources) {
        const QString value = env.value(QString::fromLatin1(source.variable));
        if (!value.isEmpty()) {
            return QString::fromLatin1(source.prefix) + fileNamePart(value);
        }
    }
    return QStringLiteral("none");
}

QString runtimeFolder(const QProcessEnvironment& env) {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const QString value = env.value(QString::fromLatin1(variable));
        if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
            return QDir::cleanPath(value);
        }
    }
    return QStringLiteral("/tmp");
}

} // namespace

QString LocalSingleInstance::socketPath(const QString& program, const QProcessEnvironment& env) {
    return runtimeFolder(env) + QStringLiteral("/zerva-%1-%2-%3")
                                    .arg(fileNamePart(program))
                                    .arg(::geteuid())
                                    .arg(displayPart(env));
}

LocalSingleInstance::LocalSingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_serverName(socketPath(name, QProcessEnvironment::systemEnvironment())) {}

LocalSingleInstance::~LocalSingleInstance() = default;

bool LocalSingleInstance::raiseRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kTimeoutMs)) {
        return false;
    }
    if (!peerIsThisUser(socket)) {
        socket.abort();
        return false;
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool LocalSingleInstance::listen(std::function<void()> onRaise) {
    m_onRaise = std::move(onRaise);
    if (!freeOrOurs(m_serverName)) {
        return false;
    }
    m_server = new QLocalServer(this);
    // The socket is made in a private folder and renamed into place, which also replaces a
    // socket left by a copy of ours that crashed.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!peerIsThisUser(*socket)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(kRaiseRequest.trimmed()) && m_onRaise) {
                    m_onRaise();
                }
            });
        }
    });
    return true;
}

} // namespace zerva::common
