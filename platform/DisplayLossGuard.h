#pragma once

#include <functional>

// What the program does when the X server or its connection to it goes away
// (the server ends, the session is torn down): it cannot go on, but it must
// not lose what it keeps in memory. Left alone, the display libraries end the
// process from whichever thread notices first, and the keyboard monitor's
// reader thread then tears down its own object and aborts.
//
// With the guard, the thread that notices never ends the process itself: a
// helper thread asks the UI thread, which runs onLost once (counters written,
// lock released) and ends the process at once with exit code 0, without the
// exit handlers that would wait for threads stuck on the dead connection.
// The helper thread is not held in the IO error handler: a connection whose
// exit handler returns (the keyboard monitor's) lets it leave by itself, so
// a UI thread joining it while shutting down for a signal is never stuck.
class DisplayLossGuard
{
public:
    static constexpr int kExitCode = 0;

    // Call on the UI thread after the GUI application object exists (it
    // puts in its own handler for a broken connection, which this replaces).
    static void Install(std::function<void()> onLost);
    // Call once every library the program loads is loaded: an exit() that a
    // library calls on a broken connection (the Qt platform plugin does) then
    // also ends the program this way.
    static void ArmExitHandler();
    // The program is ending normally: exit() is no longer a lost display.
    static void Disarm();
    // Ends the process as for a lost display; on the UI thread, or from any
    // thread, which then waits while the UI thread does it.
    [[noreturn]] static void EndNow();
};
