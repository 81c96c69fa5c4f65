#pragma once

#include <QJsonObject>
#include <QLocalServer>
#include <QObject>
#include <functional>

class QLocalSocket;

// The running program's end of the control channel. It never blocks the UI
// thread: requests are read as they arrive, a client that sends too much,
// too little or something else than a command line is answered with an
// error and dropped, and only processes of this user are served.
class ControlServer : public QObject
{
public:
    // Answers one command word with the reply's fields; a reply holding
    // "error" is a failure. Runs on the UI thread.
    using Handler = std::function<QJsonObject(const QString& command)>;

    explicit ControlServer(Handler handler, QObject* parent = nullptr);
    ~ControlServer() override;

    // Listens on socketPath, replacing a socket left by a program that died
    // (the caller holds the single-instance lock). False with the reason.
    bool Listen(const QString& socketPath, QString* error);
    void Close();
    QString SocketPath() const { return server.fullServerName(); }

    // The program folder this program serves: a request naming another
    // folder is answered with "servedFolder" and not handled.
    void SetServedFolder(const QString& folder) { servedFolder = folder; }
    // Whether two paths name the same folder (links and ".." resolved).
    static bool SameFolder(const QString& a, const QString& b);

    // The user whose processes are served; this process's own by default.
    // Tests name another to see a stranger refused.
    void SetServedUser(long long uid) { servedUid = uid; }
    // The user id of the process at the other end, from the kernel; -1 when
    // it cannot be told. On Windows the pipe's access list admits this
    // user's processes only, and every peer counts as this user (0).
    static long long PeerUid(qintptr socketDescriptor);
    static long long OwnUid();

private:
    void Accept();
    void Serve(QLocalSocket* socket);
    void Reply(QLocalSocket* socket, QJsonObject reply);

    Handler handler;
    QLocalServer server;
    long long servedUid;
    QString servedFolder;
    int clients = 0;
};
