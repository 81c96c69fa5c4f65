#pragma once

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A Wayland compositor without a screen for tests and benchmarks: sway on
// its headless backend, one 1280x800 output, no input devices of its own.
// sway refuses to run as root, so under root (CI) it runs as a throw-away
// system user made once for the purpose, and so do the programs started on
// it; files they read or write must be given to that user (GiveToUser).
class HeadlessSway
{
public:
    static constexpr const char* kUserName = "quillo-wl-test";
    static constexpr int kStartTimeoutMs = 20000;
    static constexpr int kPollMs = 25;
    static constexpr int kStopTimeoutMs = 5000;
    static constexpr int kBusQueryTimeoutMs = 3000;

    HeadlessSway() = default;
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    // Starts the compositor and waits for its socket; false with the reason
    // in ErrorString().
    bool Start();
    bool IsRunning() const;
    QString ErrorString() const { return error; }

    // A D-Bus session bus and the accessibility bus for the programs on the
    // compositor, started as the session's user after Start() (the buses
    // admit only their own user's programs, so code asking programs about
    // their text runs on the compositor too). Programs started afterwards
    // find them, Qt programs with their accessibility on; false with the
    // reason in ErrorString().
    bool StartSessionBus();
    bool HasSessionBus() const { return !sessionBus.isEmpty(); }
    // The compositor's IPC socket (swaymsg -s), empty before it is up.
    QString IpcSocket() const;

    // A folder owned by the session's user for files the programs use.
    QString RuntimeDir() const { return runtime ? runtime->path() : QString(); }
    QString WaylandDisplay() const { return socketName; }
    // The environment programs on the compositor get: the socket, the
    // runtime folder, a home in it, no X display.
    QProcessEnvironment ClientEnvironment() const;

    // What becomes of a started program's output.
    enum class Output { Drop, Keep, KeepWithErrors };
    // A program on the compositor as the session's user, stopped with the
    // compositor at the latest; nullptr when it could not start. Its output
    // is dropped unless kept for reading; its errors go to ours unless kept.
    QProcess* StartClient(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& extra = QProcessEnvironment(), Output output = Output::Drop);
    // Runs a short program (wtype, wl-paste, swaymsg) to its end; false when
    // it failed or did not end in time. Its output goes to *output.
    bool RunClient(const QString& program, const QStringList& arguments, int timeoutMs,
                   QByteArray* output = nullptr);
    // Stops a program started with StartClient.
    void StopClient(QProcess* client);
    // What the compositor says about its windows and seat, for failure
    // messages: the focused window's name and application id, and the
    // seat's input devices.
    QString Describe();
    // Hands a file or folder (with everything in it) to the session's user.
    bool GiveToUser(const QString& path) const;
    // Ends the compositor at once, as a crash would, and leaves its
    // programs to notice; false when it did not end.
    bool Crash();

private:
    bool EnsureUser();
    void Prepare(QProcess& process, const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment) const;
    void Stop();

    std::unique_ptr<QTemporaryDir> runtime;
    std::unique_ptr<QProcess> sway;
    std::unique_ptr<QProcess> busDaemon;
    std::unique_ptr<QProcess> accessibilityBus;
    QString sessionBus;
    QList<QProcess*> clients;
    QString socketName;
    QString error;
    bool asOtherUser = false;
    uint userId = 0;
    uint groupId = 0;
};
