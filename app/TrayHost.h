#pragma once

#include <QString>

// What the desktop offers for the program's icon: an XEmbed notification
// area, a StatusNotifier host on the session bus, or nothing at all (stock
// GNOME has neither).
class TrayHost
{
public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
    // The themed name of the program's icon, installed in the hicolor theme.
    static constexpr const char* kIconName = "org.quillo.Quillo";

    // True when a StatusNotifier watcher with a host runs on the session
    // bus: the icon is then a StatusNotifier item (and its menu is exported
    // over D-Bus) rather than an XEmbed icon.
    static bool StatusNotifierHostPresent();
    // True when the icon can be shown somewhere.
    static bool Available();
    // "1" asks for the start-up boxes about the session (no notification
    // area, a Wayland session) even for a folder named with --home or
    // QUILLO_HOME; "0" never shows them.
    static constexpr const char* kNoticeVariable = "QUILLO_SESSION_NOTICE";

    // What shows the icon, for the status and the log: "StatusNotifier host
    // (NAME)", "notification area (NAME)" or "none".
    static QString Describe(const class Desktop& desktop);

    // The box shown once at start when it cannot.
    static QString NoTrayText();
    // Whether the start-up boxes about the session are shown (they and the
    // settings window opened with them would take the keyboard focus). A
    // folder named on the command line or in the environment is a working
    // copy (tests, scripted set-ups) and gets them only when asked; the
    // same is said on stderr in every case.
    static bool SessionNoticeDue(const QString& homeOption);
};
