#include "app/cli/ControlServer.h"

#include "app/cli/ControlChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTimer>
#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

constexpr const char* kBufferProperty = "quilloRequest";
constexpr const char* kRepliedProperty = "quilloReplied";

} // namespace

ControlServer::ControlServer(Handler handler, QObject* parent)
    : QObject(parent), handler(std::move(handler)), servedUid(OwnUid())
{
    server.setSocketOptions(QLocalServer::UserAccessOption);
    server.setMaxPendingConnections(ControlChannel::kMaxClients);
    connect(&server, &QLocalServer::newConnection, this, [this] { Accept(); });
}

ControlServer::~ControlServer()
{
    // Clients still connected go with the server; their count does not matter then.
    for (QLocalSocket* socket : server.findChildren<QLocalSocket*>())
        disconnect(socket, nullptr, this, nullptr);
    Close();
}

bool ControlServer::Listen(const QString& socketPath, QString* error)
{
    if (!ControlChannel::PrepareFolder(socketPath, error))
        return false;
    // We hold the single-instance lock: a socket file there is a dead
    // program's leftover.
    QLocalServer::removeServer(socketPath);
    if (!server.listen(socketPath)) {
        *error = QStringLiteral("cannot listen on \"%1\": %2").arg(socketPath, server.errorString());
        return false;
    }
    return true;
}

void ControlServer::Close()
{
    if (server.isListening()) {
        const QString path = server.fullServerName();
        server.close();
        QFile::remove(path);
    }
}

long long ControlServer::OwnUid()
{
#ifdef Q_OS_WIN
    return 0;
#else
    return ::geteuid();
#endif
}

long long ControlServer::PeerUid(qintptr socketDescriptor)
{
#if defined(Q_OS_WIN)
    (void)socketDescriptor;
    return 0;
#elif defined(SO_PEERCRED)
    struct ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
        length == sizeof credentials)
        return credentials.uid;
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(int(socketDescriptor), &uid, &gid) == 0)
        return uid;
#endif
    return -1;
}

void ControlServer::Accept()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The folder keeps others out; the kernel's word on the peer is the
        // second lock, for a folder opened by mistake.
        if (PeerUid(socket->socketDescriptor()) != servedUid) {
            Reply(socket, {{QStringLiteral("error"), QStringLiteral("refused: another user's process")}});
            continue;
        }
        if (clients >= ControlChannel::kMaxClients) {
            Reply(socket, {{QStringLiteral("error"), QStringLiteral("busy: too many clients at once")}});
            continue;
        }
        ++clients;
        connect(socket, &QObject::destroyed, this, [this] { --clients; });
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, [this, socket] {
            Reply(socket, {{QStringLiteral("error"), QStringLiteral("no complete request in time")}});
        });
        timeout->start(ControlChannel::kRequestTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        if (socket->bytesAvailable() > 0)
            Serve(socket);
    }
}

void ControlServer::Serve(QLocalSocket* socket)
{
    QByteArray request = socket->property(kBufferProperty).toByteArray();
    request += socket->read(ControlChannel::kMaxRequestBytes + 1 - request.size());
    const qsizetype end = request.indexOf('\n');
    if (end < 0) {
        if (request.size() > ControlChannel::kMaxRequestBytes)
            Reply(socket, {{QStringLiteral("error"), QStringLiteral("request too long")}});
        else
            socket->setProperty(kBufferProperty, request);
        return;
    }
    // One request a connection: whatever follows is not read.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const QByteArray line = request.left(end).trimmed();
    const qsizetype space = line.indexOf(' ');
    const QByteArray word = space < 0 ? line : line.left(space);
    const QByteArray folderBytes = space < 0 ? QByteArray() : line.mid(space + 1);
    const QString command = QString::fromUtf8(word);
    const QString folder = QString::fromUtf8(folderBytes);
    bool plain = !word.isEmpty() && command.toUtf8() == word && folder.toUtf8() == folderBytes &&
                 (space < 0 || QDir::isAbsolutePath(folder));
    for (const QChar c : command)
        plain = plain && (c.isLetterOrNumber() || c == QLatin1Char('-'));
    if (!plain) {
        Reply(socket, {{QStringLiteral("error"), QStringLiteral("malformed request")}});
        return;
    }
    if (!folder.isEmpty() && !servedFolder.isEmpty() && !SameFolder(folder, servedFolder)) {
        Reply(socket, {{QStringLiteral("error"), QStringLiteral("the running Quillo serves the folder \"%1\", not \"%2\"")
                                                     .arg(servedFolder, folder)},
                       {QStringLiteral("servedFolder"), servedFolder}});
        return;
    }
    Reply(socket, handler(command));
}

bool ControlServer::SameFolder(const QString& a, const QString& b)
{
    const auto canonical = [](const QString& path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        return resolved.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : resolved;
    };
    return canonical(a) == canonical(b);
}

void ControlServer::Reply(QLocalSocket* socket, QJsonObject reply)
{
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (socket->property(kRepliedProperty).toBool()) {
        // The reply is out and the client still holds on: let it go.
        socket->abort();
        return;
    }
    socket->setProperty(kRepliedProperty, true);
    reply.insert(QStringLiteral("ok"), !reply.contains(QStringLiteral("error")));
    socket->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
    socket->flush();
    // The client reads to the end; a client that never reads cannot hold
    // us: the socket is dropped once the reply is handed to the kernel.
    socket->disconnectFromServer();
}
