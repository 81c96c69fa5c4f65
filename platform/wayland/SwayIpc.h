#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <optional>

// A client of the IPC socket of sway and i3-compatible compositors: one
// question, one answer, each bounded by a short deadline, on the calling
// thread. Used to learn where the focused window lies on the screen, which
// a Wayland client is never told by the display protocol itself.
//
// A message is the magic "i3-ipc", the payload's length and the message
// type (both 32-bit, native byte order), then the payload (JSON in
// answers). The connection is kept between questions; any fault (a
// timeout, a malformed or foreign answer, the compositor gone) closes it,
// and the next question connects again, finding the socket anew. After a
// failed connect, questions fail at once for a while, so a desktop
// without the socket costs nothing while the user types.
class SwayIpc
{
public:
    static constexpr quint32 kRunCommand = 0;
    static constexpr quint32 kGetTree = 4;
    static constexpr quint32 kGetVersion = 7;
    static constexpr int kHeaderSize = 14;
    // An answer takes about a millisecond; the question is asked while the
    // user types, so a compositor that is slow to answer gets no caret
    // rather than a stalled program.
    static constexpr int kReplyTimeoutMs = 100;
    // After a failed connect the socket is not tried again for this long.
    static constexpr int kRetryDelayMs = 2000;
    // An answer announcing more than this is taken for garbage.
    static constexpr quint32 kMaxPayloadBytes = 64u * 1024u * 1024u;

    // socketPath: the socket to use; empty to find it ($SWAYSOCK, $I3SOCK,
    // else sway's socket in the runtime folder) each time it connects.
    explicit SwayIpc(const QString& socketPath = QString());
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    // The socket of the compositor this session runs, or empty.
    static QString FindSocket();

    // Sends one message and returns the answer's payload; nothing, with
    // ErrorString(), when there is no answer of that type in time.
    std::optional<QByteArray> Request(quint32 type, const QByteArray& payload = QByteArray(),
                                      int timeoutMs = kReplyTimeoutMs);
    QString ErrorString() const { return error; }

    // The window that has the keyboard focus: its content (what the
    // application draws, borders and title bar excluded) in layout pixels,
    // the compositor's logical pixels of every output together, and the
    // process that owns it (0 where the compositor does not know it).
    struct Window
    {
        QRect content;
        qint64 processId = 0;
        QString appId;
    };
    // Asks the compositor's window tree; nothing when no window has the
    // focus (an empty workspace) or the compositor does not answer.
    std::optional<Window> FocusedWindow();

    // The message as it goes over the socket.
    static QByteArray Encode(quint32 type, const QByteArray& payload);
    // The focused window in a GET_TREE answer.
    static std::optional<Window> FocusedWindowIn(const QByteArray& tree);

private:
    bool Connect();
    void Close();
    bool WriteAll(const QByteArray& bytes, qint64 deadlineMs);
    bool ReadExactly(char* buffer, qint64 size, qint64 deadlineMs);
    bool Fail(const QString& message);

    QString fixedPath;
    int fd = -1;
    // Monotonic time before which no connect is tried (after a failure).
    qint64 retryAfterMs = 0;
    QString error;
};
