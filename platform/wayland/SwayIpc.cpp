#include "platform/wayland/SwayIpc.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicSize = 6;
// Answers to events the compositor pushes carry this bit; we subscribe to
// none, but a shared connection must not mistake one for an answer.
constexpr quint32 kEventBit = 0x80000000u;
// Deep enough for any real window tree; deeper is taken for garbage.
constexpr int kMaxTreeDepth = 256;

qint64 NowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

QRect RectOf(const QJsonValue& value)
{
    const QJsonObject rect = value.toObject();
    return QRect(rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
                 rect.value(QLatin1String("width")).toInt(), rect.value(QLatin1String("height")).toInt());
}

// The focused node, searched depth first through tiled and floating children.
std::optional<QJsonObject> FindFocused(const QJsonObject& node, int depth)
{
    if (node.value(QLatin1String("focused")).toBool())
        return node;
    if (depth >= kMaxTreeDepth)
        return std::nullopt;
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray())
            if (const auto found = FindFocused(child.toObject(), depth + 1))
                return found;
    }
    return std::nullopt;
}

// sway's socket is named sway-ipc.<uid>.<pid>.sock; one whose compositor
// has ended may still lie there.
bool IsLiveSwaySocket(const QString& name)
{
    const QStringList parts = name.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    bool uidOk = false;
    bool pidOk = false;
    const uint uid = parts[1].toUInt(&uidOk);
    const int pid = parts[2].toInt(&pidOk);
    if (!uidOk || !pidOk || uid != ::getuid() || pid <= 0)
        return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

SwayIpc::SwayIpc(const QString& socketPath) : fixedPath(socketPath) {}

SwayIpc::~SwayIpc()
{
    Close();
}

QString SwayIpc::FindSocket()
{
    for (const char* variable : {"SWAYSOCK", "I3SOCK"}) {
        const QString path = qEnvironmentVariable(variable);
        if (!path.isEmpty())
            return path;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return QString();
    // The newest live one: the compositor of this session.
    const QFileInfoList sockets = QDir(runtime).entryInfoList({QStringLiteral("sway-ipc.*.sock")}, QDir::System,
                                                              QDir::Time);
    for (const QFileInfo& socket : sockets)
        if (IsLiveSwaySocket(socket.fileName()))
            return socket.filePath();
    return QString();
}

QByteArray SwayIpc::Encode(quint32 type, const QByteArray& payload)
{
    QByteArray message(kMagic, kMagicSize);
    const quint32 length = quint32(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message.append(payload);
    return message;
}

bool SwayIpc::Fail(const QString& message)
{
    error = message;
    Close();
    return false;
}

void SwayIpc::Close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool SwayIpc::Connect()
{
    if (fd >= 0)
        return true;
    if (NowMs() < retryAfterMs) {
        error = QStringLiteral("the compositor's IPC socket failed a moment ago");
        return false;
    }
    const QString path = fixedPath.isEmpty() ? FindSocket() : fixedPath;
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || encoded.size() >= qsizetype(sizeof address.sun_path)) {
        retryAfterMs = NowMs() + kRetryDelayMs;
        error = path.isEmpty() ? QStringLiteral("no compositor IPC socket (SWAYSOCK is not set)")
                               : QStringLiteral("the IPC socket path is too long: %1").arg(path);
        return false;
    }
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = QStringLiteral("cannot make a socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A local connect completes at once, or fails (EAGAIN: the compositor
    // is not accepting; it is not waited for).
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int code = errno;
        Close();
        retryAfterMs = NowMs() + kRetryDelayMs;
        error = QStringLiteral("cannot connect to %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
        return false;
    }
    return true;
}

bool SwayIpc::WriteAll(const QByteArray& bytes, qint64 deadlineMs)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + written, size_t(bytes.size() - written), MSG_NOSIGNAL);
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const qint64 left = deadlineMs - NowMs();
            pollfd waitFor{fd, POLLOUT, 0};
            if (left <= 0 || ::poll(&waitFor, 1, int(left)) <= 0)
                return Fail(QStringLiteral("the compositor did not take the question in time"));
            continue;
        }
        return Fail(QStringLiteral("the compositor's IPC connection broke: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    return true;
}

bool SwayIpc::ReadExactly(char* buffer, qint64 size, qint64 deadlineMs)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size_t(size - got), 0);
        if (n > 0) {
            got += n;
            continue;
        }
        if (n == 0)
            return Fail(QStringLiteral("the compositor closed its IPC connection mid-answer"));
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const qint64 left = deadlineMs - NowMs();
            pollfd waitFor{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&waitFor, 1, int(left)) <= 0)
                return Fail(QStringLiteral("the compositor did not answer in time"));
            continue;
        }
        return Fail(QStringLiteral("the compositor's IPC connection broke: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    return true;
}

std::optional<QByteArray> SwayIpc::Request(quint32 type, const QByteArray& payload, int timeoutMs)
{
    const qint64 deadline = NowMs() + qMax(0, timeoutMs);
    // A connection kept from an earlier question may have been closed by
    // the compositor since (it restarted): that shows only when writing or
    // reading, and then one fresh connection is tried.
    const bool reused = fd >= 0;
    if (!Connect() || !WriteAll(Encode(type, payload), deadline)) {
        if (!reused || !Connect() || !WriteAll(Encode(type, payload), deadline))
            return std::nullopt;
    }
    // Skip events, should any arrive on this connection, until the answer.
    for (;;) {
        char header[kHeaderSize];
        if (!ReadExactly(header, kHeaderSize, deadline))
            return std::nullopt;
        if (std::memcmp(header, kMagic, kMagicSize) != 0) {
            Fail(QStringLiteral("the compositor's answer is not an IPC message"));
            return std::nullopt;
        }
        quint32 length = 0;
        quint32 replyType = 0;
        std::memcpy(&length, header + kMagicSize, sizeof length);
        std::memcpy(&replyType, header + kMagicSize + sizeof length, sizeof replyType);
        if (length > kMaxPayloadBytes) {
            Fail(QStringLiteral("the compositor's answer announces %1 bytes").arg(length));
            return std::nullopt;
        }
        QByteArray body(qsizetype(length), Qt::Uninitialized);
        if (!ReadExactly(body.data(), length, deadline))
            return std::nullopt;
        if (replyType & kEventBit) {
            // A flood of events must not hold the caller past its deadline.
            if (NowMs() >= deadline) {
                Fail(QStringLiteral("the compositor did not answer in time"));
                return std::nullopt;
            }
            continue;
        }
        if (replyType != type) {
            Fail(QStringLiteral("the compositor answered message type %1 to type %2").arg(replyType).arg(type));
            return std::nullopt;
        }
        error.clear();
        return body;
    }
}

std::optional<SwayIpc::Window> SwayIpc::FocusedWindowIn(const QByteArray& tree)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(tree, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const auto focused = FindFocused(document.object(), 0);
    if (!focused)
        return std::nullopt;
    // Only windows are "con" (tiled) or "floating_con"; a focused
    // workspace or output has no window. A container of several windows
    // can hold the focus too (the user selected the parent): no one caret.
    const QString type = focused->value(QLatin1String("type")).toString();
    if (type != QLatin1String("con") && type != QLatin1String("floating_con"))
        return std::nullopt;
    if (!focused->value(QLatin1String("nodes")).toArray().isEmpty())
        return std::nullopt;
    const QRect outer = RectOf(focused->value(QLatin1String("rect")));
    // window_rect is the application's part of the container, relative to
    // it: the title bar and borders lie outside.
    const QRect inner = RectOf(focused->value(QLatin1String("window_rect")));
    Window window;
    window.content = inner.isEmpty() ? outer : inner.translated(outer.topLeft());
    if (window.content.isEmpty())
        return std::nullopt;
    window.processId = focused->value(QLatin1String("pid")).toInteger();
    window.appId = focused->value(QLatin1String("app_id")).toString();
    if (window.appId.isEmpty())
        window.appId = focused->value(QLatin1String("window_properties")).toObject().value(QLatin1String("class")).toString();
    return window;
}

std::optional<SwayIpc::Window> SwayIpc::FocusedWindow()
{
    const auto tree = Request(kGetTree);
    if (!tree)
        return std::nullopt;
    return FocusedWindowIn(*tree);
}
