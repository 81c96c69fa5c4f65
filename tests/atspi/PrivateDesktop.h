#pragma once

#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

class QProcess;

// A desktop of the test's own: an X display (Xvfb), a D-Bus session bus, the
// accessibility bus, and the programs the test starts on it.
//
// Every process it starts, and everything those start, carries a marker in
// its environment; Stop() ends the process groups it made and then any other
// process still carrying the marker, so nothing outlives the test, and the
// processes die with the test process should it crash. The user's own
// display, buses, home and runtime folders are never touched: programs get a
// private HOME and XDG folders.
class PrivateDesktop
{
public:
    using Window = quint64;
    static constexpr std::chrono::milliseconds kDefaultWait{20000};

    PrivateDesktop();
    ~PrivateDesktop();

    PrivateDesktop(const PrivateDesktop&) = delete;
    PrivateDesktop& operator=(const PrivateDesktop&) = delete;

    // Starts the display and the buses. False, with ErrorString(), if any
    // part does not come up; what did come up is stopped again.
    bool Start();
    // Ends every program and service of this desktop. Also done on
    // destruction; harmless when not started.
    void Stop();
    bool IsRunning() const { return !display.isEmpty(); }
    QString ErrorString() const { return error; }

    QString Display() const { return display; }
    QString SessionBusAddress() const { return sessionBus; }
    // The environment programs get on this desktop (DISPLAY, the session
    // bus, private home and XDG folders, accessibility of Qt programs on).
    QProcessEnvironment Environment() const;
    // Points this process at the desktop (DISPLAY and the session bus), so
    // that code in the test talks to it; Stop() restores what was there.
    void ExportToThisProcess();

    // Starts a program on the desktop in a process group of its own, with
    // Environment() or one derived from it; its id, or 0 with ErrorString()
    // if it could not be started.
    qint64 StartProgram(const QString& program, const QStringList& arguments = {},
                        const std::optional<QProcessEnvironment>& environment = {});
    // Starts openbox and returns once it manages the screen (it has set
    // _NET_SUPPORTING_WM_CHECK on the root window): a window mapped while a
    // window manager is still starting can stay unmapped for good. Its id,
    // or 0 with ErrorString().
    qint64 StartWindowManager();
    // Ends the program and its process group.
    void StopProgram(qint64 id);
    bool IsProgramRunning(qint64 id) const;

    // The first visible top-level window of the program, once it shows; 0
    // with ErrorString() on timeout.
    Window WaitForWindow(qint64 id, std::chrono::milliseconds timeout = kDefaultWait);
    // Where the window is on the screen; empty if unknown.
    QRect WindowGeometry(Window window);
    // Gives the window the keyboard focus (there is no window manager).
    bool FocusWindow(Window window);
    // Types text, or presses keys named as xdotool names them ("Return",
    // "ctrl+s"), into the window that has the focus, through XTEST.
    bool Type(const QString& text);
    bool Key(const QString& keys);

    // Waits while letting this process's events run (QProcess learns of a
    // program's end from them), looking every pollMs.
    static void Pause(int ms, int pollMs = 10);
    // A file's whole text, "" when it cannot be read.
    static QString ReadText(const QString& path);

    // Processes (other than this one) still carrying the desktop's marker.
    QList<qint64> MarkedProcesses() const;

private:
    struct Child;
    // Whether the test reads what a process writes (its address, its display
    // number) or the output goes to its log file.
    enum class Output { Read, ToLog };

    bool StartXvfb();
    bool StartSessionBus();
    bool StartAccessibilityBus();
    bool WaitForAccessibilityBus();
    Child* Launch(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment,
                  std::vector<std::unique_ptr<Child>>& list, Output output);
    void End(Child& child);
    bool Xdotool(const QStringList& arguments, QString* output = nullptr);
    // Started by this desktop through QProcess (which collects it).
    bool IsOwnChild(pid_t pid) const;
    bool Fail(const QString& message);

    QString marker;
    QTemporaryDir home;
    QString display;
    QString sessionBus;
    QString error;
    std::vector<std::unique_ptr<Child>> services;
    std::vector<std::unique_ptr<Child>> programs;
    QList<QPair<QByteArray, std::optional<QByteArray>>> savedEnvironment;
};
