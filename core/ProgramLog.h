#pragma once

#include <QString>

// A small log for bug reports: when the tray program started and stopped,
// its backend and tray host, start-up problems, errors, and each
// expansion's timing and method. It never holds typed text or snippet
// content. It lives in $XDG_STATE_HOME/quillo and is kept small: past
// kMaxBytes the file becomes quillo.log.1 (replacing an older one) and a new
// one starts, so two files at most.
//
// Writing never fails loudly: a full disk or a read-only folder only loses
// log lines. Everything runs on the UI thread.
class ProgramLog
{
public:
    static constexpr const char* kFileName = "quillo.log";
    static constexpr qint64 kMaxBytes = 256 * 1024;
    // Put before a problem's line, so that it can be told from the others.
    static constexpr const char* kProblemMark = "problem: ";

    // $XDG_STATE_HOME/quillo/quillo.log (~/.local/state/quillo by default).
    static QString DefaultPath();

    // Starts writing to path; echo copies each line to stderr (--verbose).
    // Without Open, lines go nowhere (unit tests, the command line).
    static void Open(const QString& path, bool echo);
    static void Close();
    static bool IsOpen();
    static QString Path();

    // One line of what happened.
    static void Info(const QString& text);
    // A line already said on stderr (a warning): logged, not echoed again.
    static void Said(const QString& text);
    // A problem the user may be looking for in a terminal too: always said
    // on stderr as "quillo: TEXT", and logged.
    static void Problem(const QString& text);
};
