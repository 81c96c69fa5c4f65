#pragma once

#include "app/EngineHost.h"
#include "app/SingleInstance.h"
#include "core/MessageLayer.h"
#include "settings/OptionMgr.h"
#include "settings/OptionsObserver.h"
#include "store/SnippetManager.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class ControlServer;
class Desktop;
class ExpansionEngine;
class QFileSystemWatcher;
class FormMsg;
class KeyboardHook;
class KeyOutput;
class ListOverlay;
class QAction;
class QMenu;
class QSystemTrayIcon;
class ShellCommands;
class SnippetFileCommands;
class SoundPlayer;
class StoreWatcher;
class SyncWatcher;
class UrlOpener;
class UserNotifier;

// What the main window works with; each has a desktop and a fake version.
class ClipboardAccess;

struct FormMainServices
{
    KeyboardHook& hook;
    KeyOutput& keyOutput;
    Desktop& desktop;
    SoundPlayer& sound;
    UrlOpener& urls;
    UserNotifier& notifier;
    // The clipboard expansions go through; Qt's when none is given.
    ClipboardAccess* clipboard = nullptr;
    // What shows the suggestion list where the program may not place a
    // window of its own (Wayland); none: the list is a window of its own.
    ListOverlay* listOverlay = nullptr;
};

// The hidden main window: it brings the program up and down, receives the
// keyboard monitor's and the tray icon's messages in its window procedure,
// and owns the tray icon with its menus and the program-wide state.
class FormMain : public QWidget, public OptionsObserver, public EngineHost
{
public:
    static constexpr int kTrayIconId = 8616;
    static constexpr int kLeftButtonDown = 513;
    static constexpr int kRightButtonDown = 516;
    static constexpr int kParkedTwips = -20000;
    static constexpr int kPopupListDelayMs = 100;  // Timer1: the suggestion list
    static constexpr int kCancelMenuCheckMs = 500; // TimerCancelMenu
    // The counters are written this long after an expansion, once for a
    // burst of them: late enough that the write never delays the paste or
    // the keys held for it, soon enough that a run ending without an orderly
    // stop (a compositor that dies takes the program with it at once, a
    // power cut) loses no count.
    static constexpr int kCounterSaveDelayMs = 200;
    // How often the running program sees whether the day's backup of the
    // snippets is due: hourly, so a machine that slept still gets one soon
    // after it wakes, yet at most one is made a day.
    static constexpr int kDailyBackupCheckMs = 60 * 60 * 1000;
    static constexpr const char* kHelpPage = "help/index.html";
    // A snippet database another program holds locked at start-up is tried
    // again for this long, a pause between tries, before start-up says so.
    static constexpr int kDatabaseLockedRetryMs = 5000;
    static constexpr int kDatabaseRetryPauseMs = 250;
    // An editor's save comes as several events (truncate, write, rename):
    // the options file is read again once they have been quiet this long.
    static constexpr int kSettingsReloadDelayMs = 250;
    // A warning that comes up during an expansion waits, looking again
    // this often, so its box never holds the paste.
    static constexpr int kIdleWarningPollMs = 100;
    // Another program's change to the snippets is looked for on a key press
    // at most this often (the file watcher also reports it). Each look takes
    // the database's locks, several microseconds; after any pause in typing
    // this long, the next key looks, so a change made before the user starts
    // a word is always seen by its expansion.
    static constexpr int kStoreCheckIntervalMs = 100;

    FormMain(const QString& home, const QString& lockPath, FormMainServices services);
    ~FormMain() override;

    // Start-up. False when the program must end at once: another instance
    // runs (AlreadyRunning()), or the keyboard monitor cannot start (the
    // user has been told).
    // Files that cannot be used are listed in one warning right after.
    bool Load();
    bool AlreadyRunning() const { return alreadyRunning; }
    // "x11" or "wayland", as the status says.
    void SetBackendName(const QString& name) { backendName = name; }
    // What shows the icon, as the status says. Found once at start: asking
    // the session bus while a command waits could stall the program behind
    // a panel that does not answer.
    void SetTrayHostName(const QString& name) { trayHostName = name; }
    QString TrayHostName() const { return trayHostName; }
    // Shutdown, in order; does nothing the second time.
    void Unload();
    // An orderly stop of the whole program (Exit, a signal, the session's
    // end): an expansion under way is finished first and its paste
    // delivered, then Unload and the event loop's end.
    void Quit();
    bool IsLoaded() const { return loaded; }
    // The display went away: only what needs no display is done (the
    // counters written, the database closed, the channel and the lock
    // released); the process ends right after.
    void EndWithoutDisplay();

    qintptr WindowProc(QObject* window, const WindowMessage& message);
    // Shows the tray menu at the mouse and returns when it closes.
    void PopupTrayMenu();
    void ShowTrayIcon(bool iconState);
    void ToggleTimer(bool value) override;
    void ParkFormMsg() override;
    void CountersChanged() override;
    void ExpansionFinished() override;
    void PickerKeyPressed() override;
    bool AskFields(const QString& snippetName, const QList<FillInField>& fields,
                   ShellCommands::FieldsFilled filled) override;
    // Opens the snippet picker over the window in front (the hot key,
    // `quillo pick`), after the event being handled.
    void ShowPicker();
    // Takes in the user's edits of the options file; the shell follows.
    void ReloadOptions();
    // Reads wav/<name>.wav whole into the engine's sound data (empty when
    // missing); returns what went wrong, naming the file, or "".
    QString LoadSound(const QString& soundName);
    // Answers one command of the control channel (settings, options,
    // toggle, pick, status, reload, exit); a reply holding "error" is a
    // failure.
    QJsonObject ControlCommand(const QString& command);
    // Where the control channel listens while the program runs.
    QString ControlSocketPath() const;
    // The one message that lists what start-up could not load.
    static QString StartupProblemsText(const QStringList& problems);

    void SetShellCommands(ShellCommands* commands) { shellCommands = commands; }
    ShellCommands* Shell() const { return shellCommands; }
    void SetSnippetFileCommands(SnippetFileCommands* commands) { fileCommands = commands; }
    // The desktop services the main window was built with, for the windows
    // around it (the settings window plays sounds, the list asks for the caret).
    const FormMainServices& Services() const { return services; }
    QString Home() const { return home; }
    // The application in front (its window class or Wayland app id), taken
    // as the settings window opens, so that it can be excluded with one key;
    // "" when the desktop cannot tell. Quillo's own windows do not count.
    void RememberFrontApplication();
    QString FrontApplication() const { return frontApplication; }

    void EnableQKChanged(bool enabled) override;
    void SwitchQKKeyChanged(const QString& keyName) override;
    void EnablePlaySoundChanged(bool enabled) override;

    // Program-wide state.
    SnippetManager snippetMgr;
    OptionMgr optMgr;
    std::unique_ptr<ExpansionEngine> engine;
    WindowProcedure oldWndProc;
    bool settingsLoaded = false;
    QPointer<QWidget> formSetting; // the settings window while it is loaded
    QPointer<QWidget> formPicker;  // the snippet picker once made
    QPointer<QWidget> formFillIn;  // the window asking for fill-in fields once made
    FormMsg* formMsg = nullptr;

    // The tray and its menus, by their entry names.
    QSystemTrayIcon* trayIcon = nullptr;
    QIcon picIconNor;
    QIcon picIcon;
    QMenu* mainmenu = nullptr;
    QMenu* snippetsmenu = nullptr;
    QAction* menu_enableSound = nullptr;
    QAction* menu_enableQK = nullptr;
    QAction* menu_snippets = nullptr;
    QAction* menu_help = nullptr;
    QAction* menu_options = nullptr;
    QAction* menu_about = nullptr;
    QAction* menu_exit = nullptr;
    QAction* menu_sortbydate = nullptr;
    QAction* menu_sortbyabbr = nullptr;
    QAction* menu_export = nullptr;
    QAction* menu_import = nullptr;
    QAction* menu_print = nullptr;
    QAction* menu_importfolder = nullptr;
    QAction* menu_restore = nullptr;

    QTimer Timer1;
    QTimer TimerCancelMenu;
    QTimer TimerSaveCounters;
    QTimer TimerReloadSettings;
    QTimer TimerDailyBackup;

    // Starts, stops or moves the sync to the folder the options name.
    void FollowSyncOption();

private:
    bool quitWhenExpanded = false;
    bool quitting = false;
    // The last step of every way to end: the database closed, the counters written.
    void CloseStoreAndSaveCounters();
    // Writes the counters; a failure is said once until a write succeeds.
    void SaveCounters();
    // Notices when the options file changes on disk.
    void WatchSettings(const QString& path);
    void BuildMenus();
    // Opens the snippet database, trying again while another program holds it locked.
    void OpenSnippets();
    void ConnectMenus();
    qintptr OwnWindowProc(QObject* window, const WindowMessage& message);
    void OnTimerCancelMenu();
    void Timer1Tick();
    void ShowSettingsTab(int tab);
    void SortBy(qint16 sortInt);
    // Runs a user's menu action; a failure is shown, never thrown further.
    template <typename Action> void Guarded(Action action);
    void WarnWhenIdle(const QString& text);
    // The day's backup of the snippets when due; a failure is only logged.
    void MakeDailyBackup();

    QString home;
    QString lockPath;
    SingleInstance instance;
    bool alreadyRunning = false;
    QString backendName;
    QString trayHostName = QStringLiteral("not known yet");
    std::unique_ptr<ControlServer> controlServer;
    std::unique_ptr<StoreWatcher> storeWatcher;
    // Only while [Sync] names a folder.
    std::unique_ptr<SyncWatcher> syncWatcher;
    QElapsedTimer storeChecked; // since the last look for another program's change
    FormMainServices services;
    ShellCommands* shellCommands = nullptr;
    QString frontApplication;
    SnippetFileCommands* fileCommands = nullptr;
    bool loaded = false;
    bool hookSet = false;
    bool counterSaveFailing = false;
    std::unique_ptr<QFileSystemWatcher> settingsWatcher;
    quint64 foregroundAtMenu = 0;
};
