#pragma once

#include <QString>
#include <optional>
#include <utility>

// File-system calls that Windows makes differently from POSIX, for the core.
class WinFileCalls
{
public:
    // Renames from over to in one step, the target replaced if it exists and
    // the change written through to the disk. "" on success, else the reason.
    static QString MoveOver(const QString& from, const QString& to);
    // The file's volume serial number and index: the same pair for every
    // path of one file. Nothing when the file cannot be opened.
    static std::optional<std::pair<unsigned long long, unsigned long long>> FileIdentity(const QString& path);
    // The system's text for an error code of GetLastError().
    static QString ErrorText(unsigned long code);
};
