#pragma once

#include <QString>
#include <QStringList>

// Where the program's files are.
//
// The user's files (snippets.mdb, settings.ini) live in the "home" folder:
// the folder named with --home DIR or QUILLO_HOME; else the executable's own
// folder when it is a writable program folder holding settings.ini (the build
// tree, a portable copy); else the per-user folder $XDG_CONFIG_HOME/quillo,
// made from the installed defaults on first use.
//
// The read-only files (sounds, help page, the defaults) come from the shared
// folder: share/quillo beside an installed executable, else the executable's
// own folder. Private libraries and helper programs come from the library
// folder, found the same way.
class ProgramFolder
{
public:
    static constexpr const char* kHomeVariable = "QUILLO_HOME";
    static constexpr const char* kDatabaseName = "snippets.mdb";
    static constexpr const char* kSettingsName = "settings.ini";

    // Picks the folder: explicit (from --home) first, then QUILLO_HOME, then
    // DefaultFolder(). When that is the per-user folder it is made and given
    // the defaults it lacks; a failure there is only reported on stderr, and
    // the caller then meets the missing files when it opens them.
    static QString Resolve(const QString& explicitHome);
    // The folder used when none is named; nothing is created.
    static QString DefaultFolder();
    // Whether folder is DefaultFolder() (a start without --home uses it).
    static bool IsDefaultFolder(const QString& folder);
    // $XDG_CONFIG_HOME/quillo, ~/.config/quillo by default.
    static QString UserFolder();
    // The executable's folder holds a program folder of its own.
    static bool ExecutableFolderIsProgramFolder();

    static QString SharedFolder();
    static QString LibraryFolder();
    // A read-only file by its path under the shared folder ("wav/type.wav"):
    // the home folder's own copy when it has one, else the shared one.
    static QString ReadOnlyFile(const QString& home, const QString& relativePath);

    // Makes folder if needed and copies into it the default settings.ini and
    // snippets.mdb it lacks; never replaces a file. Returns the paths it
    // created. Throws QuilloError naming the file and the reason.
    static QStringList FillFromDefaults(const QString& folder);

    static QString DatabasePath(const QString& folder);
    static QString SettingsPath(const QString& folder);
    static QString DesktopEntryPath(const QString& folder);
    static QString SoundPath(const QString& folder, const QString& soundName);
};
