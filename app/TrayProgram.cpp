#include "app/TrayProgram.h"

#include "app/FirstRun.h"
#include "app/FormMain.h"
#include "app/FormStart.h"
#include "app/MessageBoxNotifier.h"
#include "app/ShellCommands.h"
#include "app/SessionKind.h"
#include "app/SingleInstance.h"
#include "app/TrayHost.h"
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
#include <memory>

int TrayProgram::Run(int argc, char** argv, const QString& homeOption)
{
    const SessionKind session(QProcessEnvironment::systemEnvironment());
    if (!session.HasX11Display()) {
        std::fprintf(stderr, "quillo: %s\n", qPrintable(session.NoDisplayText()));
        return kExitNoDesktop;
    }
    const QString waylandNotice = session.WaylandNotice();
    if (!waylandNotice.isEmpty())
        std::fprintf(stderr, "quillo: %s\n", qPrintable(waylandNotice));
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The name a StatusNotifier host shows as the icon's title.
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    const QString home = ProgramFolder::Resolve(homeOption);

    MessageBoxNotifier notifier;
    std::unique_ptr<X11KeyOutput> keyOutput;
    std::unique_ptr<X11Desktop> desktop;
    try {
        keyOutput = std::make_unique<X11KeyOutput>();
        desktop = std::make_unique<X11Desktop>();
    } catch (const QuilloError& e) {
        notifier.Critical(e.Message());
        return kExitNotStarted;
    }
    // The caret of other applications, for the suggestion list beside it.
    AtspiCaretTracker caretTracker;
    desktop->SetCaretSource([&caretTracker] { return caretTracker.CaretRect(); });
    LibraryKeyboardHook hook(ProgramFolder::LibraryFolder());
    QtSoundPlayer sound;
    DesktopUrlOpener urls;

    FormMain form(home, SingleInstance::DefaultLockPath(),
                  FormMainServices{hook, *keyOutput, *desktop, sound, urls, notifier});
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
    DisplayLossGuard::Install([&form] { form.EndWithoutDisplay(); });
    if (!form.Load())
        return kExitNotStarted;
    // Now the keyboard monitor's library is loaded: its exit handlers come
    // before this one's.
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
            if (!waylandNotice.isEmpty() && noticeDue)
                notifier.Plain(waylandNotice);
            return;
        }
        settingsShell.ShowSettings(1);
        if (form.IsLoaded())
            notifier.Plain(waylandNotice.isEmpty() ? TrayHost::NoTrayText()
                                                   : waylandNotice + QStringLiteral("\n\n") + TrayHost::NoTrayText());
    });

    auto shutDown = [&] {
        form.Unload();
        QCoreApplication::quit();
    };
    UnixSignalWatcher signalWatcher([&](int) { shutDown(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&](QSessionManager&) { shutDown(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&] { form.Unload(); });
    const int code = app.exec();
    DisplayLossGuard::Disarm();
    return code;
}
