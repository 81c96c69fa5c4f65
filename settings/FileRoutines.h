#pragma once

#include <QString>

// The folder whose desktop entries start with the user's session:
// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart; "" when neither the
// variable nor a home folder is known.
QString GetStartupFolder();

// Copies source to target, replacing an existing target atomically and making
// the target's folder if needed. Throws QuilloError on failure.
void CopyFileTo(const QString& source, const QString& target);

// Moves the file to the user's trash (deleting it where no trash is
// available) when FileExists says it is there. Throws QuilloError on failure.
void DeleteFileIfExists(const QString& path);

// True when a plain, visible file matches the path; "*" and "?" in the file
// name act as a pattern. Folders and hidden files are not found.
bool FileExists(const QString& path);
