#pragma once

#include <QString>

// The folder whose desktop entries start with the user's session:
// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart; "" when neither the
// variable nor a home folder is known.
QString GetStartupFolder();

// Copies source to target, replacing an existing target atomically and making
// the target's folder if needed. Throws QuilloError on failure.
void CopyFileTo(const QString& source, const QString& target);

// Moves the file to the user's trash when FileExists says it is there, or
// deletes it where the trash cannot take it. Throws QuilloError on failure.
void DeleteFileIfExists(const QString& path);

// The user's trash, $XDG_DATA_HOME/Trash (~/.local/share/Trash); "" when
// neither the variable nor a home folder is known.
QString TrashFolder();
// Moves the file into the trash, with its .trashinfo record, by a rename on
// the same file system. Only a trash whose data folder exists is used; the
// trash's own folders are made there if needed. False, with the file left
// where it was and nothing written, when that cannot be done.
bool MoveToTrash(const QString& path);

// A desktop entry that starts the executable with the session, with
// --home HOME when home is not empty.
QByteArray StartupEntryText(const QString& executable, const QString& home);
// One argument of an Exec line, quoted where the desktop entry rules need it.
QString QuoteExecArgument(const QString& argument);
// Writes the start-up entry for the running executable and the program
// folder (named with --home only when it is not the default one) to target,
// atomically. Throws QuilloError on failure.
void WriteStartupEntry(const QString& target, const QString& programFolder);

// True when a plain, visible file matches the path; "*" and "?" in the file
// name act as a pattern. Folders and hidden files are not found.
bool FileExists(const QString& path);
