#pragma once

#include <QString>

// The folder that holds the program's files: snippets.mdb, settings.ini, the
// desktop entry and wav/. By default it is the executable's folder; --home DIR
// or QUILLO_HOME name another one (tests always do).
class ProgramFolder
{
public:
    static constexpr const char* kHomeVariable = "QUILLO_HOME";

    // Picks the folder: explicit (from --home) first, then QUILLO_HOME, then the
    // executable's folder. An empty explicit value means "not given".
    static QString Resolve(const QString& explicitHome);

    static QString DatabasePath(const QString& folder);
    static QString SettingsPath(const QString& folder);
    static QString DesktopEntryPath(const QString& folder);
    static QString SoundPath(const QString& folder, const QString& soundName);
};
