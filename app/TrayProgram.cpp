#include "app/TrayProgram.h"

#include "app/FirstRun.h"
#include "app/FormMain.h"
#include "app/FormStart.h"
#include "app/MessageBoxNotifier.h"
#include "app/ShellCommands.h"
#include "app/SessionKind.h"
#include "app/SingleInstance.h"
#include "app/TrayHost.h"
#include "app/WaylandBackend.h"
#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "platform/DesktopUrlOpener.h"
#include "platform/DisplayLossGuard.h"
#include "platform/LibraryKeyboardHook.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/atspi/AtspiCaretTracker.h"
#include "platform/sound/QtSoundPlayer.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11KeyOutput.h"
#include "ui/SettingsShell.h"
#include "ui/SnippetFileActions.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

int TrayProgram::Run(int argc, char** argv, const QString& homeOption, const QString& backendOption)
{
    const SessionKind session(QProcessEnvironment::systemEnvironment());
    const bool wayland = session.ChooseBackend(backendOption) == SessionKind::Backend::Wayland;
    QString sessionNotice;
    if (wayland) {
        if (!session.WaylandSocketExists()) {
            std::fprintf(stderr, "quillo: %s\n", qPrintable(session.NoWaylandText()));
            return kExitNoDesktop;
        }
        // Qt's windows on the compositor too; X11 where Qt lacks its plugin.
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    } else {
        if (!session.HasX11Display()) {
            std::fprintf(stderr, "quillo: %s\n", qPrintable(session.NoDisplayText()));
            return kExitNoDesktop;
        }
        sessionNotice = session.WaylandNotice();
        if (!sessionNotice.isEmpty())
            std::fprintf(stderr, "quillo: %s\n", qPrintable(sessionNotice));
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The name a StatusNotifier host shows as the icon's title.
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    const int code = RunOn(app, wayland, sessionNotice, homeOption);
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
}

int TrayProgram::RunOn(QApplication& app, bool wayland, QString sessionNotice, const QString& homeOption)
{
    const QString home = ProgramFolder::Resolve(homeOption);

    MessageBoxNotifier notifier;
    std::unique_ptr<X11KeyOutput> x11KeyOutput;
    std::unique_ptr<X11Desktop> x11Desktop;
    std::unique_ptr<WaylandBackend> waylandBackend;
    try {
        if (wayland) {
            waylandBackend = std::make_unique<WaylandBackend>(ProgramFolder::LibraryFolder());
            sessionNotice = SessionKind::WaylandBackendNotice();
            std::fprintf(stderr, "quillo: %s\n", qPrintable(sessionNotice));
        } else {
            x11KeyOutput = std::make_unique<X11KeyOutput>();
            x11Desktop = std::make_unique<X11Desktop>();
        }
    } catch (const QuilloError& e) {
        // Said on stderr too: what is missing in a Wayland session is
        // looked for in a terminal as well.
        if (wayland)
            std::fprintf(stderr, "quillo: %s\n", qPrintable(e.Message()));
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
    FormMain form(home, SingleInstance::DefaultLockPath(),
                  FormMainServices{hook, keyOutput, desktop, sound, urls, notifier, clipboard, listOverlay});
    // The settings window, opened from the tray menu.
    SettingsShell settingsShell(form);
    form.SetShellCommands(&settingsShell);
    // The snippets menu's Export, Import and Print.
    SnippetFileActions fileActions(
        [&form]() -> QWidget* { return form.formSetting; }, form.snippetMgr, notifier, home, [&form] {
            if (ShellCommands* shell = form.Shell())
                shell->ReloadAllSnippets();
        });
    form.SetSnippetFileCommands(&fileActions);
    // Installed late so the form exists, and before the keyboard monitor
    // starts reading from the display.
    if (!wayland)
        DisplayLossGuard::Install([&form] { form.EndWithoutDisplay(); });
    if (!form.Load())
        return kExitNotStarted;
    // Now the keyboard monitor's library is loaded: its exit handlers come
    // before this one's.
    if (!wayland)
        DisplayLossGuard::ArmExitHandler();
    // The first start for this user: say where the program lives. On a
    // desktop without a notification area there is no icon to point at: say
    // how to reach the program instead, and open the settings window.
    std::unique_ptr<FormStart> formStart;
    QTimer::singleShot(kTrayCheckDelayMs, &form, [&] {
        if (!form.IsLoaded())
            return;
        const bool trayThere = TrayHost::Available();
        if (!trayThere)
            std::fprintf(stderr, "quillo: %s\n", qPrintable(TrayHost::NoTrayText()));
        const bool noticeDue = TrayHost::SessionNoticeDue(homeOption);
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
    UnixSignalWatcher signalWatcher([&](int) { shutDown(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&](QSessionManager&) { shutDown(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&] { form.Unload(); });
    const int code = app.exec();
    if (!wayland)
        DisplayLossGuard::Disarm();
    return code;
}
