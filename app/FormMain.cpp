#include "app/FormMain.h"

#include "app/ExpansionEngine.h"
#include "app/FormMsg.h"
#include "app/ShellCommands.h"
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlServer.h"
#include "app/cli/RulesCommands.h"
#include "app/SnippetFileCommands.h"
#include "app/TrayHost.h"
#include "app/TrayPictures.h"
#include "app/Twips.h"
#include "app/UserNotifier.h"
#include "core/AppRule.h"
#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "platform/Desktop.h"
#include "platform/KeyboardHook.h"
#include "platform/UrlOpener.h"
#include "store/SnippetBackups.h"
#include "store/StoreWatcher.h"
#include "store/SyncWatcher.h"

#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QThread>
#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QUrl>

namespace {

void Warn(const char* doing, const std::exception& e)
{
    qWarning("quillo: %s: %s", doing, e.what());
}

QString ErrorText(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const QuilloError*>(&e))
        return error->Message();
    return QString::fromUtf8(e.what());
}

} // namespace

FormMain::FormMain(const QString& home, const QString& lockPath, FormMainServices services)
    : QWidget(nullptr, Qt::Tool), home(home), lockPath(lockPath), instance(lockPath, SingleInstance::FolderLockPath(home)),
      services(services)
{
    setWindowTitle(QStringLiteral("Quillo"));
    // The installed themed icon where there is one: a StatusNotifier host
    // then shows it by name, in the size and style it wants.
    picIconNor = QIcon::fromTheme(QLatin1String(TrayHost::kIconName), TrayPictures::Enabled());
    picIcon = TrayPictures::Disabled();
    optMgr.SetObserver(this);
    engine = std::make_unique<ExpansionEngine>(snippetMgr, optMgr, services.keyOutput, services.desktop,
                                               services.sound, *this);
    engine->UseClipboard(services.clipboard);
    Timer1.setInterval(kPopupListDelayMs);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Tick(); });
    TimerCancelMenu.setInterval(kCancelMenuCheckMs);
    connect(&TimerCancelMenu, &QTimer::timeout, this, [this] { OnTimerCancelMenu(); });
    TimerSaveCounters.setSingleShot(true);
    TimerSaveCounters.setInterval(kCounterSaveDelayMs);
    connect(&TimerSaveCounters, &QTimer::timeout, this, [this] { SaveCounters(); });
    TimerReloadSettings.setSingleShot(true);
    TimerReloadSettings.setInterval(kSettingsReloadDelayMs);
    connect(&TimerReloadSettings, &QTimer::timeout, this, [this] {
        if (!loaded || !settingsWatcher)
            return;
        // The watch on a file replaced by a rename ended with the old file.
        const QString path = ProgramFolder::SettingsPath(this->home);
        if (!settingsWatcher->files().contains(path) && QFileInfo::exists(path))
            settingsWatcher->addPath(path);
        try {
            ReloadOptions();
        } catch (const std::exception& e) {
            Warn("re-reading the options", e);
        }
    });
    TimerDailyBackup.setInterval(kDailyBackupCheckMs);
    connect(&TimerDailyBackup, &QTimer::timeout, this, [this] { MakeDailyBackup(); });
    BuildMenus();
    ConnectMenus();
    // The window's own procedure, which WindowProc is put in front of.
    MessageLayer::SetWindowProc(this, [this](QObject* window, const WindowMessage& message) {
        return OwnWindowProc(window, message);
    });
}

FormMain::~FormMain()
{
    Unload();
    optMgr.SetObserver(nullptr);
}

void FormMain::BuildMenus()
{
    mainmenu = new QMenu(this);
    auto add = [](QMenu* menu, const char* name, const QString& caption, bool checkable) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(checkable);
        return action;
    };
    menu_enableSound = add(mainmenu, "menu_enableSound", QStringLiteral("Enable Play Sound"), true);
    menu_enableQK = add(mainmenu, "menu_enableQK", QStringLiteral("Enable Quillo"), true);
    mainmenu->addSeparator()->setObjectName(QStringLiteral("menu_split2"));
    menu_snippets = add(mainmenu, "menu_snippets", QStringLiteral("Snippets"), false);
    mainmenu->addSeparator()->setObjectName(QStringLiteral("menu_split1"));
    menu_help = add(mainmenu, "menu_help", QStringLiteral("Help Documents"), false);
    menu_options = add(mainmenu, "menu_options", QStringLiteral("Options"), false);
    menu_about = add(mainmenu, "menu_about", QStringLiteral("About"), false);
    menu_exit = add(mainmenu, "menu_exit", QStringLiteral("Exit"), false);

    snippetsmenu = new QMenu(this);
    menu_sortbydate = add(snippetsmenu, "menu_sortbydate", QStringLiteral("Sort by Date Added"), true);
    menu_sortbyabbr = add(snippetsmenu, "menu_sortbyabbr", QStringLiteral("Sort by Abbreviation"), true);
    snippetsmenu->addSeparator()->setObjectName(QStringLiteral("menu_split32"));
    menu_export = add(snippetsmenu, "menu_export", QStringLiteral("Export"), false);
    menu_import = add(snippetsmenu, "menu_import", QStringLiteral("Import"), false);
    menu_importfolder = add(snippetsmenu, "menu_importfolder", QStringLiteral("Import a Folder…"), false);
    menu_print = add(snippetsmenu, "menu_print", QStringLiteral("Print"), false);
    menu_restore = add(snippetsmenu, "menu_restore", QStringLiteral("Restore a Backup…"), false);
    // Exactly one sort entry carries the check mark.
    auto* sortGroup = new QActionGroup(this);
    sortGroup->setExclusive(true);
    sortGroup->addAction(menu_sortbydate);
    sortGroup->addAction(menu_sortbyabbr);
    menu_sortbydate->setChecked(true);
}

void FormMain::ConnectMenus()
{
    // Qt flips a checkable entry before it reports the click, so the entry's
    // state is already "the opposite of its check mark" here.
    connect(menu_enableSound, &QAction::triggered, this,
            [this](bool checked) { Guarded([&] { optMgr.SetEnablePlaySound(checked); }); });
    connect(menu_enableQK, &QAction::triggered, this,
            [this](bool checked) { Guarded([&] { optMgr.SetEnableQK(checked); }); });
    connect(menu_snippets, &QAction::triggered, this, [this] { ShowSettingsTab(1); });
    connect(menu_options, &QAction::triggered, this, [this] { ShowSettingsTab(2); });
    connect(menu_about, &QAction::triggered, this, [this] { ShowSettingsTab(3); });
    connect(menu_help, &QAction::triggered, this, [this] {
        services.urls.OpenUrl(QUrl::fromLocalFile(ProgramFolder::ReadOnlyFile(home, QLatin1String(kHelpPage))));
    });
    connect(menu_exit, &QAction::triggered, this, [this] { Quit(); });
    connect(menu_sortbydate, &QAction::triggered, this, [this] { SortBy(1); });
    connect(menu_sortbyabbr, &QAction::triggered, this, [this] { SortBy(2); });
    connect(menu_export, &QAction::triggered, this, [this] {
        if (fileCommands)
            fileCommands->ExportSnippets();
    });
    connect(menu_import, &QAction::triggered, this, [this] {
        if (fileCommands)
            fileCommands->ImportSnippets();
    });
    connect(menu_print, &QAction::triggered, this, [this] {
        if (fileCommands)
            fileCommands->PrintSnippets();
    });
    connect(menu_importfolder, &QAction::triggered, this, [this] {
        if (fileCommands)
            fileCommands->ImportFolder();
    });
    connect(menu_restore, &QAction::triggered, this, [this] {
        if (fileCommands)
            fileCommands->RestoreBackup();
    });
}

template <typename Action> void FormMain::Guarded(Action action)
{
    try {
        action();
    } catch (const QuilloError& e) {
        services.notifier.Warning(e.Message());
    } catch (const std::exception& e) {
        services.notifier.Warning(QString::fromUtf8(e.what()));
    }
}

bool FormMain::Load()
{
    if (!instance.TryLock()) {
        // The caller tells the user, or opens the running program's window.
        alreadyRunning = true;
        return false;
    }
    // From here on a failing step does not stop start-up, except the
    // keyboard monitor: without it the program has nothing to do.
    QString hookError;
    if (!services.hook.SetKeyboardHook(this, MessageLayer::kUserMessage, &hookError)) {
        services.notifier.Critical(hookError);
        instance.Unlock();
        return false;
    }
    hookSet = true;
    oldWndProc = MessageLayer::SetWindowProc(
        this, [this](QObject* window, const WindowMessage& message) { return WindowProc(window, message); });

    trayIcon = new QSystemTrayIcon(picIconNor, this);
    trayIcon->setToolTip(QStringLiteral("Quillo"));
    connect(trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            MessageLayer::PostMessage(this, MessageLayer::kTrayMessage, kTrayIconId, kLeftButtonDown);
        else if (reason == QSystemTrayIcon::Context)
            MessageLayer::PostMessage(this, MessageLayer::kTrayMessage, kTrayIconId, kRightButtonDown);
    });
    // A StatusNotifier host shows the menu itself, and only an exported one;
    // an XEmbed icon would show it as well as ours, so there it stays unset.
    if (TrayHost::StatusNotifierHostPresent())
        trayIcon->setContextMenu(mainmenu);
    trayIcon->show();

    move(Twips::ToPixels(kParkedTwips), Twips::ToPixels(kParkedTwips));
    engine->engineReady = true;

    // What fails from here on is shown once start-up is over.
    QStringList problems;
    controlServer = std::make_unique<ControlServer>([this](const QString& command) { return ControlCommand(command); });
    controlServer->SetServedFolder(home);
    QString channelError;
    if (!controlServer->Listen(ControlSocketPath(), &channelError)) {
        qWarning("quillo: control channel: %s", qPrintable(channelError));
        problems << QStringLiteral("The command line cannot reach this program (quillo settings, quillo exit and "
                                   "the like will not work): %1")
                        .arg(channelError);
        controlServer.reset();
    }
    try {
        OpenSnippets();
        if (!snippetMgr.SkippedRows().isEmpty())
            problems << QStringLiteral("The snippet database \"%1\" holds rows whose ids are beyond %2; they are "
                                       "left out of the list:\n%3")
                            .arg(snippetMgr.DatabasePath())
                            .arg(SnippetManager::kMaxId)
                            .arg(snippetMgr.SkippedRows().join(QLatin1Char('\n')));
    } catch (const std::exception& e) {
        Warn("opening the snippets", e);
        problems << ErrorText(e);
    }
    // A file put in place of the database (or back after a delete) is read
    // a moment later; the settings window's list follows.
    storeWatcher = std::make_unique<StoreWatcher>(
        snippetMgr, StoreWatcher::Reports{[this](const QString& text) { WarnWhenIdle(text); },
                                          [this] {
                                              if (settingsLoaded && shellCommands)
                                                  shellCommands->ReloadAllSnippets();
                                          }});
    storeWatcher->Watch();
    const QString settingsPath = ProgramFolder::SettingsPath(home);
    try {
        const bool settingsThere = QFileInfo(settingsPath).isFile();
        optMgr.LoadVars(settingsPath);
        for (const QString& problem : optMgr.LoadProblems())
            qWarning("quillo: settings.ini: %s", qPrintable(problem));
        if (!settingsThere)
            problems << QStringLiteral("The options file \"%1\" does not exist.").arg(settingsPath);
        else if (!optMgr.LoadProblems().isEmpty())
            problems << QStringLiteral("The options file \"%1\" holds values that cannot be read:\n%2")
                            .arg(settingsPath, optMgr.LoadProblems().join(QLatin1Char('\n')));
    } catch (const std::exception& e) {
        Warn("loading the settings", e);
        problems << ErrorText(e);
    }
    WatchSettings(settingsPath);
    FollowSyncOption();
    // After the options, which say how many backups are kept.
    MakeDailyBackup();
    TimerDailyBackup.start();

    menu_enableQK->setChecked(optMgr.EnableQK());
    menu_enableQK->setText(OptionMgr::EnableQKMenuCaption(optMgr.SwitchQKKey()));
    menu_enableSound->setChecked(optMgr.EnablePlaySound());
    menu_sortbydate->setChecked(true);
    ShowTrayIcon(optMgr.EnableQK());

    formMsg = new FormMsg();
    // Parked means shown off the screen, which only X11 lets a program
    // choose. A Wayland compositor would put the list on the screen as a
    // window of its own and hand it the keyboard, away from the application
    // being typed in: there it shows through the overlay where the
    // compositor offers one, and stays hidden elsewhere.
    if (services.listOverlay)
        formMsg->SetOverlay(services.listOverlay);
    if (services.listOverlay || QGuiApplication::platformName() != QLatin1String("wayland"))
        formMsg->show();
    ParkFormMsg();

    const QString soundProblem = LoadSound(optMgr.SoundName());
    // A sound that is switched off is not missed.
    if (!soundProblem.isEmpty() && optMgr.EnablePlaySound())
        problems << soundProblem;

    settingsLoaded = false;
    QCoreApplication::processEvents();
    loaded = true;
    if (!problems.isEmpty()) {
        // After start-up, so the program runs while the box is open.
        QTimer::singleShot(0, this, [this, problems] {
            if (loaded)
                services.notifier.Warning(StartupProblemsText(problems));
        });
    }
    return true;
}

void FormMain::OpenSnippets()
{
    QDeadlineTimer deadline(kDatabaseLockedRetryMs);
    for (;;) {
        try {
            snippetMgr.OpenSetFile(ProgramFolder::DatabasePath(home));
            return;
        } catch (const QuilloError& e) {
            const bool locked = e.Number() == SQLITE_BUSY || e.Number() == SQLITE_LOCKED;
            if (!locked || deadline.hasExpired())
                throw;
            qWarning("quillo: the snippet database is locked by another program; trying again");
        }
        QThread::msleep(kDatabaseRetryPauseMs);
    }
}

QString FormMain::StartupProblemsText(const QStringList& problems)
{
    return QStringLiteral("Quillo has started, but not everything could be loaded:\n\n") +
           problems.join(QStringLiteral("\n\n"));
}

void FormMain::Unload()
{
    if (!loaded)
        return;
    loaded = false;
    Timer1.stop();
    TimerCancelMenu.stop();
    // No command is taken once shutdown has begun.
    controlServer.reset();
    TimerReloadSettings.stop();
    settingsWatcher.reset();
    CloseStoreAndSaveCounters();
    if (trayIcon) {
        trayIcon->hide();
        delete trayIcon;
        trayIcon = nullptr;
    }
    if (hookSet) {
        services.hook.ReleaseKeyboardHook();
        hookSet = false;
    }
    MessageLayer::SetWindowProc(this, oldWndProc);
    oldWndProc = nullptr;
    delete formMsg;
    formMsg = nullptr;
    if (shellCommands)
        shellCommands->CloseWindows();
    instance.Unlock();
}

void FormMain::MakeDailyBackup()
{
    if (!snippetMgr.IsOpen())
        return;
    try {
        SnippetBackups(snippetMgr.DatabasePath(), optMgr.BackupsKeep()).MakeDailyIfDue();
    } catch (const std::exception& e) {
        Warn("making the daily backup of the snippets", e);
    }
}

void FormMain::CloseStoreAndSaveCounters()
{
    TimerDailyBackup.stop();
    TimerSaveCounters.stop();
    syncWatcher.reset();
    storeWatcher.reset();
    snippetMgr.CloseLogFile();
    SaveCounters();
}

void FormMain::SaveCounters()
{
    try {
        optMgr.CommitInfoNum();
        counterSaveFailing = false;
    } catch (const std::exception& e) {
        // The counters are written again after every burst of expansions:
        // a full disk would say the same thing each time.
        if (counterSaveFailing)
            return;
        counterSaveFailing = true;
        Warn("saving the usage counters", e);
        const QString text = QStringLiteral("The usage counters cannot be saved; the options file is kept as it "
                                            "was.\n\n%1")
                                 .arg(ErrorText(e));
        // Not from inside the timer or the shutdown: after it, while running.
        QTimer::singleShot(0, this, [this, text] {
            if (loaded)
                services.notifier.Warning(text);
        });
    }
}

void FormMain::WatchSettings(const QString& path)
{
    settingsWatcher = std::make_unique<QFileSystemWatcher>();
    // Editors, and this program's own writes, replace the file by a rename:
    // the watch on the file ends with the old one, the folder's tells of the new.
    settingsWatcher->addPath(QFileInfo(path).absolutePath());
    if (QFileInfo::exists(path))
        settingsWatcher->addPath(path);
    const auto changed = [this] { TimerReloadSettings.start(); };
    connect(settingsWatcher.get(), &QFileSystemWatcher::fileChanged, this, changed);
    connect(settingsWatcher.get(), &QFileSystemWatcher::directoryChanged, this, changed);
}

void FormMain::ReloadOptions()
{
    const bool wasEnabled = optMgr.EnableQK();
    const QString oldSound = optMgr.SoundName();
    // Our own writes hold what memory holds: nothing follows from them.
    if (!optMgr.ReloadVars())
        return;
    for (const QString& problem : optMgr.NewLoadProblems())
        qWarning("quillo: settings.ini: %s", qPrintable(problem));
    // As the hot key: what was typed while expansion was off is forgotten.
    if (!wasEnabled && optMgr.EnableQK())
        engine->Reset();
    if (optMgr.SoundName() != oldSound) {
        const QString problem = LoadSound(optMgr.SoundName());
        if (!problem.isEmpty())
            qWarning("quillo: %s", qPrintable(problem));
    }
    if (shellCommands)
        shellCommands->OptionsReloaded();
    FollowSyncOption();
}

void FormMain::FollowSyncOption()
{
    const QString folder = optMgr.SyncFolder();
    if (syncWatcher && syncWatcher->Folder() == folder)
        return;
    syncWatcher.reset();
    if (folder.isEmpty() || !snippetMgr.IsOpen())
        return;
    QString machine;
    try {
        machine = optMgr.EnsureSyncMachine();
    } catch (const std::exception& e) {
        Warn("naming this installation for the sync", e);
        return;
    }
    const auto merged = [this](const SnippetSync::Report& report) {
        if (!report.Changed())
            return;
        qWarning("quillo: sync: %s", qPrintable(report.Summary()));
        if (settingsLoaded && shellCommands)
            shellCommands->ReloadAllSnippets();
        if (!report.conflicts.isEmpty())
            WarnWhenIdle(report.conflicts.join(QLatin1Char('\n')));
    };
    syncWatcher = std::make_unique<SyncWatcher>(snippetMgr, folder, machine, optMgr.BackupsKeep(),
                                                SyncWatcher::Reports{[this](const QString& text) { WarnWhenIdle(text); },
                                                                     merged});
    syncWatcher->Start();
}

void FormMain::EndWithoutDisplay()
{
    if (!loaded)
        return;
    loaded = false;
    controlServer.reset();
    TimerReloadSettings.stop();
    settingsWatcher.reset();
    CloseStoreAndSaveCounters();
    instance.Unlock();
}

qintptr FormMain::WindowProc(QObject* window, const WindowMessage& message)
{
    // Typing in Quillo's own settings window is never collected.
    bool active = true;
    if (settingsLoaded && formSetting && services.desktop.ForegroundWindow() == formSetting->winId())
        active = false;
    // Nor is what is typed into the picker's search field: it has the
    // keyboard whenever it shows, and closes when it loses it.
    if (formPicker && formPicker->isVisible())
        active = false;
    // Nor the answers typed into a snippet's fill-in fields.
    if (formFillIn && formFillIn->isVisible())
        active = false;

    if (message.msg == MessageLayer::kUserMessage) {
        const bool released = (message.lParam & KeyboardHook::kReleasedFlag) != 0;
        // Another program (the command line, a second editor of the store)
        // may have changed the snippets: one pragma on a key press tells,
        // costs nothing while nobody types, and is asked once in a while
        // during fast typing, where its locks would cost more than the key.
        if (!released && (!storeChecked.isValid() || storeChecked.hasExpired(kStoreCheckIntervalMs))) {
            storeChecked.start();
            try {
                snippetMgr.RefreshIfChanged();
            } catch (const std::exception& e) {
                Warn("re-reading the snippets", e);
            }
            // Locked by another program: the cache serves the keys, and the
            // re-read is done once the lock is gone.
            if (snippetMgr.RefreshPending() && storeWatcher)
                storeWatcher->RetryLater();
        }
        engine->HandleHookMessage(message.wParam, message.lParam, active);
    } else if (message.msg == MessageLayer::kTrayMessage &&
               (message.lParam == kLeftButtonDown || message.lParam == kRightButtonDown)) {
        TimerCancelMenu.start();
        PopupTrayMenu();
    }
    return MessageLayer::CallWindowProc(oldWndProc, window, message);
}

qintptr FormMain::OwnWindowProc(QObject* window, const WindowMessage& message)
{
    // Cancel mode closes whatever popup menu the window has open.
    if (message.msg == MessageLayer::kCancelModeMessage) {
        mainmenu->close();
        snippetsmenu->close();
        return 0;
    }
    return MessageLayer::DefaultWindowProc(window, message);
}

void FormMain::PopupTrayMenu()
{
    // The menu never becomes the active window on X11, so "the user turned
    // to another window" means: a window other than the one in front when
    // the menu opened.
    foregroundAtMenu = services.desktop.ForegroundWindow();
    mainmenu->exec(QCursor::pos());
}

void FormMain::OnTimerCancelMenu()
{
    const quint64 foreground = services.desktop.ForegroundWindow();
    if (foreground == foregroundAtMenu || foreground == quint64(winId()))
        return;
    TimerCancelMenu.stop();
    MessageLayer::SendMessage(this, MessageLayer::kCancelModeMessage, 0, 0);
}

void FormMain::ShowTrayIcon(bool iconState)
{
    if (trayIcon)
        trayIcon->setIcon(iconState ? picIconNor : picIcon);
}

void FormMain::ToggleTimer(bool value)
{
    if (value)
        Timer1.start();
    else
        Timer1.stop();
}

void FormMain::ParkFormMsg()
{
    if (formMsg)
        formMsg->Park();
}

void FormMain::Quit()
{
    if (quitting)
        return;
    if (engine && !engine->engineReady) {
        // Arrived while the expansion lets events run: stopping here would
        // leave the abbreviation erased and nothing pasted.
        quitWhenExpanded = true;
        return;
    }
    quitting = true;
    // A program still reading our paste would find no clipboard owner.
    if (engine)
        engine->FinishPaste();
    Unload();
    QCoreApplication::quit();
}

void FormMain::ExpansionFinished()
{
    if (quitWhenExpanded)
        QTimer::singleShot(0, this, [this] { Quit(); });
}

void FormMain::CountersChanged()
{
    // Not restarted by later expansions: steady use still writes every few seconds.
    if (!TimerSaveCounters.isActive())
        TimerSaveCounters.start();
}

QString FormMain::LoadSound(const QString& soundName)
{
    QFile file(ProgramFolder::SoundPath(home, soundName));
    QByteArray bytes;
    QString problem;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        if (bytes.isEmpty())
            problem = QStringLiteral("The sound \"%1\" is empty.").arg(file.fileName());
        bytes.append('\0'); // one byte more than the file, as the player expects
    } else {
        problem = QStringLiteral("Cannot read the sound \"%1\": %2").arg(file.fileName(), file.errorString());
    }
    engine->soundData = bytes;
    return problem;
}

void FormMain::Timer1Tick()
{
    if (formMsg)
        formMsg->Timer1Tick(*this);
    else
        Timer1.stop();
}

void FormMain::RememberFrontApplication()
{
    const Desktop& desktop = services.desktop;
    const Desktop::WindowId window = desktop.ForegroundWindow();
    if (!window)
        return;
    // Quillo's own window in front (the settings window opened again): the
    // application before it is still the one meant.
    for (const QWidget* own : QApplication::topLevelWidgets())
        if (own->internalWinId() == window)
            return;
    const QStringList classes = desktop.WindowClass(window);
    const QStringList ownNames = {QCoreApplication::applicationName(),
                                  QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                                  QGuiApplication::desktopFileName()};
    for (const QString& name : classes)
        if (!name.isEmpty() && ownNames.contains(name, Qt::CaseInsensitive))
            return;
    // The class proper (X11's second word) is what the user is likelier to
    // know; Wayland gives the app id for both.
    const QString name = classes.value(1, classes.value(0)).trimmed();
    frontApplication = AppRule::Parse(name) ? name : QString();
}

void FormMain::ShowSettingsTab(int tab)
{
    if (shellCommands)
        shellCommands->ShowSettings(tab);
}

QString FormMain::ControlSocketPath() const
{
    return ControlChannel::SocketPathBeside(lockPath);
}

bool FormMain::AskFields(const QString& snippetName, const QList<FillInField>& fields,
                         ShellCommands::FieldsFilled filled)
{
    if (!loaded || !shellCommands)
        return false;
    // As the picker: not from inside the key's handling.
    QTimer::singleShot(0, this, [this, snippetName, fields, filled] {
        if (loaded && shellCommands && !shellCommands->AskFields(snippetName, fields, filled))
            filled({}); // the window could not show: the defaults serve
    });
    return true;
}

void FormMain::PickerKeyPressed()
{
    ShowPicker();
}

void FormMain::ShowPicker()
{
    // Not from inside the key's handling: the window takes the keyboard,
    // and the monitor's next events must find the engine idle.
    QTimer::singleShot(0, this, [this] {
        if (loaded && shellCommands)
            shellCommands->ShowPicker();
    });
}

QJsonObject FormMain::ControlCommand(const QString& command)
{
    const auto failure = [](const QString& text) { return QJsonObject{{QStringLiteral("error"), text}}; };
    if (!loaded)
        return failure(QStringLiteral("Quillo is shutting down"));
    try {
        if (command == QLatin1String("settings") || command == QLatin1String("options")) {
            if (!shellCommands)
                return failure(QStringLiteral("this program has no settings window"));
            // After the reply: the window's first opening takes a moment.
            const int tab = command == QLatin1String("settings") ? 1 : 2;
            QTimer::singleShot(0, this, [this, tab] {
                if (loaded)
                    ShowSettingsTab(tab);
            });
            return {};
        }
        if (command == QLatin1String("pick")) {
            if (!shellCommands)
                return failure(QStringLiteral("this program has no snippet picker"));
            ShowPicker();
            return {};
        }
        if (command == QLatin1String("toggle")) {
            // As the hot key: the menu's check mark and the icon follow, and
            // what was typed while expansion was off is forgotten.
            const bool enable = !optMgr.EnableQK();
            if (enable)
                engine->Reset();
            optMgr.SetEnableQK(enable);
            return {{QStringLiteral("expansion"), optMgr.EnableQK()}};
        }
        if (command == QLatin1String("status")) {
            const QString database = snippetMgr.DatabasePath();
            return {{QStringLiteral("running"), true},
                    {QStringLiteral("pid"), QCoreApplication::applicationPid()},
                    {QStringLiteral("backend"), backendName},
                    {QStringLiteral("trayHost"), trayHostName},
                    {QStringLiteral("expansion"), optMgr.EnableQK()},
                    {QStringLiteral("pickerOpen"), bool(formPicker && formPicker->isVisible() && formPicker->isActiveWindow())},
                    {QStringLiteral("fillInOpen"), bool(formFillIn && formFillIn->isVisible() && formFillIn->isActiveWindow())},
                    {QStringLiteral("folder"), home},
                    {QStringLiteral("database"), database},
                    {QStringLiteral("databaseBytes"), QFileInfo(database).size()},
                    {QStringLiteral("snippets"), snippetMgr.GetMatchedCol(QString()).size()},
                    {QStringLiteral("snippetsExpanded"), optMgr.SniExp()},
                    {QStringLiteral("charactersSaved"), optMgr.ChrSav()},
                    {QStringLiteral("settingsOpen"), bool(formSetting && formSetting->isVisible())}};
        }
        if (command == QLatin1String("reload")) {
            // The options too: the user may have edited them by hand.
            QString optionsProblem;
            try {
                ReloadOptions();
            } catch (const std::exception& e) {
                optionsProblem = ErrorText(e);
            }
            // A file put in place of the database is the one read from now on.
            const SnippetManager::FileState file = snippetMgr.FollowFile();
            if (file == SnippetManager::FileState::Gone)
                return failure(snippetMgr.GoneMessage());
            if (!snippetMgr.IsOpen())
                return failure(QStringLiteral("no snippet database is open"));
            if (file != SnippetManager::FileState::Locked)
                snippetMgr.ChangeSortMethod(0);
            if (snippetMgr.RefreshPending()) {
                if (storeWatcher)
                    storeWatcher->RetryLater();
                return failure(QStringLiteral("the snippet database \"%1\" is locked by another program; it is "
                                              "read as soon as it is free")
                                   .arg(snippetMgr.DatabasePath()));
            }
            if (settingsLoaded && shellCommands)
                shellCommands->ReloadAllSnippets();
            if (!optionsProblem.isEmpty())
                return failure(optionsProblem);
            return {{QStringLiteral("snippets"), snippetMgr.GetMatchedCol(QString()).size()}};
        }
        if (command == QLatin1String(RulesCommands::kReloadOptionsCommand)) {
            // A change of the options file the command line made (the
            // exclusion rules): in effect before the command returns.
            ReloadOptions();
            return {};
        }
        if (command == QLatin1String("exit")) {
            // After the reply has gone out.
            QTimer::singleShot(0, this, [this] { Quit(); });
            return {};
        }
    } catch (const std::exception& e) {
        return failure(ErrorText(e));
    }
    return failure(QStringLiteral("unknown command \"%1\"").arg(command));
}

void FormMain::WarnWhenIdle(const QString& text)
{
    QTimer::singleShot(kIdleWarningPollMs, this, [this, text] {
        if (!loaded)
            return;
        if (!engine->engineReady)
            WarnWhenIdle(text);
        else
            services.notifier.Warning(text);
    });
}

void FormMain::SortBy(qint16 sortInt)
{
    Guarded([&] { snippetMgr.ChangeSortMethod(sortInt); });
    if (shellCommands)
        shellCommands->CallSortSnippetList();
}

void FormMain::EnableQKChanged(bool enabled)
{
    ShowTrayIcon(enabled);
    menu_enableQK->setChecked(enabled);
    if (settingsLoaded && shellCommands)
        shellCommands->EnableQKChanged(enabled);
}

void FormMain::SwitchQKKeyChanged(const QString& keyName)
{
    menu_enableQK->setText(OptionMgr::EnableQKMenuCaption(keyName));
}

void FormMain::EnablePlaySoundChanged(bool enabled)
{
    menu_enableSound->setChecked(enabled);
    if (settingsLoaded && shellCommands)
        shellCommands->EnablePlaySoundChanged(enabled);
}
