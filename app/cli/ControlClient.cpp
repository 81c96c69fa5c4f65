#include "app/cli/ControlClient.h"

#include "app/cli/ControlChannel.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>

namespace {

// Telling the program to re-read the store is a courtesy: it also notices
// the change itself before the next expansion. So the wait is short.
constexpr int kNotifyTimeoutMs = 2000;

} // namespace

ControlClient::ControlClient(QString socketPath, QString folder)
    : socketPath(std::move(socketPath)), folder(std::move(folder))
{
}

ControlClient::Result ControlClient::Send(const QString& command, int timeoutMs) const
{
    Result result;
#ifndef Q_OS_WIN
    // On Windows the name is a pipe's, never a file's: there the connection
    // alone tells whether a program listens.
    if (!QFileInfo::exists(socketPath)) {
        result.outcome = Outcome::NotRunning;
        return result;
    }
#endif
    // A socket in a folder others can enter may be anybody's.
    if (!ControlChannel::FolderIsPrivate(socketPath)) {
        result.error = QStringLiteral("the folder of \"%1\" is not private to this user; not connecting")
                           .arg(socketPath);
        return result;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        // A socket file without a listener: a program that died.
        if (socket.error() == QLocalSocket::ConnectionRefusedError ||
            socket.error() == QLocalSocket::ServerNotFoundError)
            result.outcome = Outcome::NotRunning;
        else
            result.error = QStringLiteral("cannot reach Quillo: %1").arg(socket.errorString());
        return result;
    }
    socket.write((folder.isEmpty() ? command : command + QLatin1Char(' ') + folder).toUtf8() + '\n');
    QElapsedTimer clock;
    clock.start();
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() <= ControlChannel::kMaxReplyBytes) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (socket.bytesAvailable() == 0 &&
            (left <= 0 || socket.state() != QLocalSocket::ConnectedState || !socket.waitForReadyRead(int(left))))
            break;
        reply += socket.read(ControlChannel::kMaxReplyBytes + 1 - reply.size());
    }
    const qsizetype end = reply.indexOf('\n');
    if (end < 0) {
        result.error = reply.isEmpty() ? QStringLiteral("Quillo did not answer in time")
                                       : QStringLiteral("Quillo's answer was cut short");
        return result;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(reply.left(end), &parseError);
    if (!document.isObject()) {
        result.error = QStringLiteral("Quillo's answer cannot be read: %1").arg(parseError.errorString());
        return result;
    }
    result.outcome = Outcome::Replied;
    result.reply = document.object();
    result.error = result.reply.value(QStringLiteral("error")).toString();
    result.servedFolder = result.reply.value(QStringLiteral("servedFolder")).toString();
    if (!result.servedFolder.isEmpty())
        result.outcome = Outcome::OtherFolder;
    return result;
}

void ControlClient::NotifyStoreChanged() const
{
    Send(QStringLiteral("reload"), kNotifyTimeoutMs);
}
