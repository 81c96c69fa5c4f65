#pragma once

#include "store/import/ImportBatch.h"

#include <QString>

// Reads the hotstrings of an AutoHotkey script (":options:abbr::text", with
// continuation sections in parentheses and #Hotstring defaults). Options map
// to trigger modes (* immediately, ? inside words) and to case following
// (AutoHotkey follows the typed case unless C or C1); hotstrings that run
// code (X, or a body of commands) and every other line of the script are
// listed, never run.
class HotstringImporter
{
public:
    static ImportBatch Read(const QString& path);
    // Send-mode text (`n, `t, {Enter}, {Tab}, {!} …) as the characters it
    // types; key names without a character stay and are named.
    static QString Unescape(const QString& text, QStringList* unsupported);
};
