#pragma once

#include <QString>
#include <QtGlobal>

// The few questions the program asks of the operating system itself, kept
// here so that the rest of the code stays free of its headers.
class HostSystem
{
public:
    // Whether standard input or standard error is a terminal: someone is
    // there to read what the program says.
    static bool AttachedToTerminal();
    // Whether the process runs; one that has ended but waits to be reaped
    // (a zombie) counts as ended.
    static bool ProcessAlive(qint64 pid);
    // Whether something accepts connections on the local socket at path (a
    // socket left by a program that crashed is there, but nobody accepts).
    static bool LocalSocketAnswers(const QString& path);
    // A program without a console of its own (Windows' GUI programs) writes
    // its answers to the console it was started from, when there is one and
    // the output goes nowhere else. Nothing to do elsewhere.
    static void UseStartingConsole();
};
