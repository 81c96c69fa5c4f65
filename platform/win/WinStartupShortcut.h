#pragma once

#include <QString>

// The shortcut in the user's Startup folder that starts Quillo when the user
// signs in: the counterpart of the desktop entry in the autostart folder on
// Linux (FileRoutines' GetStartupFolder, WriteStartupEntry and
// DeleteFileIfExists).
class WinStartupShortcut
{
public:
    static constexpr const char* kShortcutName = "Quillo.lnk";

    // The user's Startup folder (FOLDERID_Startup); "" when Windows does not
    // tell.
    static QString StartupFolder();

    // Writes a shortcut to the running executable, with the executable's
    // folder as working folder and --home FOLDER when the program folder is
    // not the default one, to target (replacing what is there in one step).
    // Throws QuilloError on failure.
    static void Write(const QString& target, const QString& programFolder);

    // Moves the file to the Recycle Bin, or deletes it where the bin cannot
    // take it; nothing when there is no such file. Throws QuilloError when
    // the file stays.
    static void Remove(const QString& path);

    // One argument for a Windows command line, quoted where needed so that
    // the program reads it back unchanged (CommandLineToArgvW's rules).
    static QString QuoteArgument(const QString& argument);
};
