#pragma once

#include <QString>

// Recognises the first start of the tray program for this user, by a marker
// in the user's configuration folder. Once the marker is written the start
// is never a first one again, whichever program folder is in use.
class FirstRun
{
public:
    // "1" asks for the notice even for a folder named with --home or
    // QUILLO_HOME, "0" never shows it.
    static constexpr const char* kNoticeVariable = "QUILLO_FIRST_RUN_NOTICE";

    explicit FirstRun(const QString& configFolder);

    // $XDG_CONFIG_HOME/quillo (~/.config/quillo by default).
    static QString DefaultConfigFolder();

    QString MarkerPath() const;
    bool IsFirstRun() const;
    // True exactly once per user: when no marker was there and one has now
    // been written. A marker that cannot be written counts as no first run,
    // so a read-only configuration never brings the notice back at every
    // start.
    bool Claim();

    // Whether the tray program shows the notice at this start. A folder
    // named on the command line or in the environment is a working copy
    // (tests, portable set-ups) and gets none unless the variable asks.
    static bool NoticeDue(const QString& homeOption);

private:
    QString configFolder;
};
