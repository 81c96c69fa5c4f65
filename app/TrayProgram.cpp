#include "app/TrayProgram.h"

#include "app/FirstRun.h"
#include "app/FormMain.h"
#include "app/FormStart.h"
#include "app/MessageBoxNotifier.h"
#include "app/ShellCommands.h"
#include "app/SingleInstance.h"
#include "app/TrayHost.h"
#ifdef Q_OS_WIN
#include "app/WindowsBackend.h"
#else
#include "app/WaylandBackend.h"
#endif
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "core/ProgramFolder.h"
#include "core/ProgramLog.h"
#include "core/QuilloError.h"
#include "platform/DesktopUrlOpener.h"
#include "platform/HostSystem.h"
#include "platform/LibraryKeyboardHook.h"
#ifndef Q_OS_WIN
#include "app/SessionKind.h"
#include "platform/DisplayLossGuard.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/atspi/AtspiCaretTracker.h"
#include "platform/sound/QtSoundPlayer.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11DisplayProbe.h"
#include "platform/x11/X11KeyOutput.h"
#endif
#include "ui/SettingsShell.h"
#include "ui/SnippetFileActions.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Our own warnings ("quillo: ...") go to the log as well; Qt's own stay on
// stderr only.
QtMessageHandler previousHandler = nullptr;
void LogOwnWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && message.startsWith(QLatin1String("quillo: ")))
        ProgramLog::Said(message.mid(8));
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

int TrayProgram::Run(int argc, char** argv, const QString& homeOption, const QString& backendOption, bool verbose)
{
    ProgramLog::Open(ProgramLog::DefaultPath(), verbose);
    previousHandler = qInstallMessageHandler(LogOwnWarnings);
    QString home;
    {
        // The folders are found from the executable's place, which Qt
        // knows once an application object exists; the display is not
        // needed yet.
        QCoreApplication early(argc, argv);
        home = ProgramFolder::Resolve(homeOption);
        ProgramLog::Info(
            QStringLiteral("Quillo %1 starts for the folder %2").arg(QStringLiteral(QUILLO_VERSION), home));
        // Before anything that takes time or a display: a second start answers at once.
        if (SingleInstance::HeldElsewhere(SingleInstance::DefaultLockPath(), SingleInstance::FolderLockPath(home)))
            return AnswerSecondStart(argc, argv, ChannelFolder(home, homeOption));
    }

#ifdef Q_OS_WIN
    // One desktop, always there.
    (void)backendOption;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    const int code = RunOn(app, false, QString(), home, homeOption);
    ProgramLog::Info(QStringLiteral("Quillo ends (exit code %1)").arg(code));
    return code;
#else
    const SessionKind session(QProcessEnvironment::systemEnvironment());
    const bool wayland = session.ChooseBackend(backendOption) == SessionKind::Backend::Wayland;
    QString sessionNotice;
    // Held until the application has its own connection to the display.
    auto displayProbe = std::make_unique<X11DisplayProbe>();
    if (wayland) {
        if (!session.WaylandSocketAnswers()) {
            ProgramLog::Problem(session.NoWaylandText());
            return kExitNoDesktop;
        }
        // Qt's windows on the compositor too; X11 where Qt lacks its plugin.
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    } else {
        if (!session.HasX11Display()) {
            ProgramLog::Problem(session.NoDisplayText());
            return kExitNoDesktop;
        }
        // Qt ends the process with an abort when it cannot connect.
        const QString displayProblem = displayProbe->Open(qEnvironmentVariable("DISPLAY"));
        if (!displayProblem.isEmpty()) {
            ProgramLog::Problem(displayProblem);
            std::fflush(nullptr);
            // A server that never answered holds the probe's thread.
            std::_Exit(kExitNoDesktop);
        }
        sessionNotice = session.WaylandNotice();
        if (!sessionNotice.isEmpty())
            ProgramLog::Problem(sessionNotice);
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    ProgramLog::Info(QStringLiteral("backend: %1").arg(wayland ? QStringLiteral("wayland") : QStringLiteral("x11")));
    QApplication app(argc, argv);
    displayProbe.reset();
    QApplication::setQuitOnLastWindowClosed(false);
    // The name a StatusNotifier host shows as the icon's title.
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    const int code = RunOn(app, wayland, sessionNotice, home, homeOption);
    ProgramLog::Info(QStringLiteral("Quillo ends (exit code %1)").arg(code));
    if (wayland) {
        // Qt 6.4's Wayland plugin can wait forever for its own event thread
        // while the application object is destroyed (seen about one exit in
        // four on a busy machine): the process would linger after Exit. All
        // of ours has been written, closed and released by now; what is left
        // is Qt's memory and sockets, which the system takes back.
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
#endif
}

QString TrayProgram::ChannelFolder(const QString& home, const QString& homeOption)
{
    const bool named = !homeOption.isEmpty() || !qEnvironmentVariableIsEmpty(ProgramFolder::kHomeVariable);
    return named ? home : QString();
}

int TrayProgram::AnswerSecondStart(int argc, char** argv, const QString& channelFolder)
{
    // In a terminal the user reads the answer; from the desktop (a menu, a
    // launcher) nobody would, so the running program shows its window, as
    // desktop programs do.
    const bool terminal = HostSystem::AttachedToTerminal();
    ProgramLog::Info(QStringLiteral("another Quillo serves this user or folder"));
    if (!terminal) {
        std::unique_ptr<QCoreApplication> probe;
        if (!QCoreApplication::instance())
            probe = std::make_unique<QCoreApplication>(argc, argv);
        const ControlClient::Result result = ControlClient(ControlChannel::DefaultSocketPath(), channelFolder)
                                                 .Send(QStringLiteral("settings"), ControlChannel::kReplyTimeoutMs);
        if (result.outcome == ControlClient::Outcome::Replied && result.error.isEmpty())
            return kExitOk;
    }
    std::fprintf(stderr, "Quillo is already running.\n");
    return kExitNotStarted;
}

int TrayProgram::RunOn(QApplication& app, bool wayland, QString sessionNotice, const QString& home,
                       const QString& homeOption)
{
#ifdef Q_OS_WIN
    (void)wayland;
    MessageBoxNotifier notifier;
    std::unique_ptr<WindowsBackend> windowsBackend;
    try {
        windowsBackend = std::make_unique<WindowsBackend>(ProgramFolder::LibraryFolder());
    } catch (const QuilloError& e) {
        ProgramLog::Info(e.Message());
        notifier.Critical(e.Message());
        return kExitNotStarted;
    }
    DesktopUrlOpener urls;
    SoundPlayer& sound = windowsBackend->Sound();
    KeyboardHook& hook = windowsBackend->Hook();
    KeyOutput& keyOutput = windowsBackend->Output();
    Desktop& desktop = windowsBackend->DesktopServices();
    ClipboardAccess* clipboard = windowsBackend->Clipboard();
    ListOverlay* listOverlay = nullptr;
#else
    MessageBoxNotifier notifier;
    std::unique_ptr<X11KeyOutput> x11KeyOutput;
    std::unique_ptr<X11Desktop> x11Desktop;
    std::unique_ptr<WaylandBackend> waylandBackend;
    try {
        if (wayland) {
            waylandBackend = std::make_unique<WaylandBackend>(ProgramFolder::LibraryFolder());
            sessionNotice = SessionKind::WaylandBackendNotice();
            ProgramLog::Problem(sessionNotice);
        } else {
            x11KeyOutput = std::make_unique<X11KeyOutput>();
            x11Desktop = std::make_unique<X11Desktop>();
        }
    } catch (const QuilloError& e) {
        // Said on stderr too: what is missing in a Wayland session is
        // looked for in a terminal as well.
        if (wayland)
            ProgramLog::Problem(e.Message());
        else
            ProgramLog::Info(e.Message());
        notifier.Critical(e.Message());
        return kExitNotStarted;
    }
    // The caret of other applications, for the suggestion list beside it.
    AtspiCaretTracker caretTracker;
    if (x11Desktop) {
        x11Desktop->SetCaretSource([&caretTracker] { return caretTracker.CaretRect(); });
        x11Desktop->SetPasswordFocusSource([&caretTracker] { return caretTracker.FocusIsPassword(); });
    } else
        waylandBackend->FollowFocus(caretTracker);
    LibraryKeyboardHook x11Hook(ProgramFolder::LibraryFolder());
    QtSoundPlayer sound;
    DesktopUrlOpener urls;

    KeyboardHook& hook = waylandBackend ? waylandBackend->Hook() : static_cast<KeyboardHook&>(x11Hook);
    KeyOutput& keyOutput = waylandBackend ? waylandBackend->Output() : static_cast<KeyOutput&>(*x11KeyOutput);
    Desktop& desktop = waylandBackend ? waylandBackend->DesktopServices() : static_cast<Desktop&>(*x11Desktop);
    ClipboardAccess* clipboard = waylandBackend ? waylandBackend->Clipboard() : nullptr;
    ListOverlay* listOverlay = waylandBackend ? waylandBackend->Overlay() : nullptr;
#endif
    FormMain form(home, SingleInstance::DefaultLockPath(),
                  FormMainServices{hook, keyOutput, desktop, sound, urls, notifier, clipboard, listOverlay});
    // The settings window, opened from the tray menu.
    SettingsShell settingsShell(form);
    form.SetShellCommands(&settingsShell);
    // The snippets menu's Export, Import, Print and Restore.
    SnippetFileActions fileActions(
        [&form]() -> QWidget* { return form.formSetting; }, form.snippetMgr, notifier, home, [&form] {
            if (ShellCommands* shell = form.Shell())
                shell->ReloadAllSnippets();
        });
    fileActions.SetBackupsKeep([&form] { return form.optMgr.BackupsKeep(); });
    form.SetSnippetFileCommands(&fileActions);
    // Installed late so the form exists, and before the keyboard monitor
    // starts reading from the display.
#ifdef Q_OS_WIN
    form.SetBackendName(QStringLiteral("windows"));
#else
    if (!wayland)
        DisplayLossGuard::Install([&form] { form.EndWithoutDisplay(); });
    form.SetBackendName(wayland ? QStringLiteral("wayland") : QStringLiteral("x11"));
#endif
    if (!form.Load()) {
        // Another program took the lock since the check at start.
        if (form.AlreadyRunning())
            return AnswerSecondStart(0, nullptr, ChannelFolder(home, homeOption));
        return kExitNotStarted;
    }
#ifndef Q_OS_WIN
    // Now the keyboard monitor's library is loaded: its exit handlers come
    // before this one's.
    if (!wayland)
        DisplayLossGuard::ArmExitHandler();
#endif
    // The first start for this user: say where the program lives. On a
    // desktop without a notification area there is no icon to point at: say
    // how to reach the program instead, and open the settings window.
    std::unique_ptr<FormStart> formStart;
    QTimer::singleShot(kTrayCheckDelayMs, &form, [&] {
        if (!form.IsLoaded())
            return;
        const bool trayThere = TrayHost::Available();
        form.SetTrayHostName(TrayHost::Describe(desktop));
        ProgramLog::Info(QStringLiteral("icon shown by: %1").arg(form.TrayHostName()));
        if (!trayThere)
            ProgramLog::Problem(TrayHost::NoTrayText());
        // Said once: a box and a window at every login would be a nuisance.
        // The settings window's options bring them back.
        const bool noticeDue = TrayHost::SessionNoticeDue(homeOption) && form.optMgr.StartNotice() &&
                               (!trayThere || !sessionNotice.isEmpty());
        if (noticeDue) {
            try {
                form.optMgr.SetStartNotice(false);
            } catch (const std::exception& e) {
                ProgramLog::Info(QString::fromUtf8(e.what()));
            }
        }
        if (trayThere || !noticeDue) {
            if (FirstRun::NoticeDue(homeOption)) {
                formStart = std::make_unique<FormStart>();
                formStart->show();
            }
            // One box for what the user must know about this session.
            if (!sessionNotice.isEmpty() && noticeDue)
                notifier.Plain(sessionNotice);
            return;
        }
        settingsShell.ShowSettings(1);
        if (form.IsLoaded())
            notifier.Plain(sessionNotice.isEmpty() ? TrayHost::NoTrayText()
                                                   : sessionNotice + QStringLiteral("\n\n") + TrayHost::NoTrayText());
    });

    auto shutDown = [&] { form.Quit(); };
#ifndef Q_OS_WIN
    UnixSignalWatcher signalWatcher([&](int) { shutDown(); });
#endif
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&](QSessionManager&) { shutDown(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&] { form.Unload(); });
    const int code = app.exec();
#ifndef Q_OS_WIN
    if (!wayland)
        DisplayLossGuard::Disarm();
#endif
    return code;
}
