#pragma once

#include "harness/ProvellaExport.h"

#include <QString>
#include <QStringView>

// Answers "does anything on disk match this path?" the way a directory
// listing with wildcards does: '*' and '?' are honoured in the last path
// component only, and hidden entries (names starting with a dot) as well as
// special files (devices, pipes, sockets) never match.
class PROVELLA_EXPORT PathPattern
{
public:
    enum class Accept {
        OrdinaryFiles,          // regular files only
        FoldersAndOrdinaryFiles // regular files and directories
    };

    static bool AnyMatch(const QString& path, Accept accept);

    // '*' matches any run of characters, '?' exactly one; case-sensitive.
    static bool WildcardMatch(QStringView pattern, QStringView name);

    static bool HasWildcard(QStringView name);
};
