#include "platform/DisplayLossGuard.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <X11/Xlib.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <unistd.h>

namespace {

std::function<void()> lostHandler;
pthread_t uiThread;
std::atomic<bool> installed = false;
std::atomic<bool> armed = false;
std::atomic<bool> ending = false;

bool OnUiThread()
{
    return installed && pthread_equal(pthread_self(), uiThread);
}

[[noreturn]] void WaitForTheEnd()
{
    for (;;)
        ::pause();
}

// Asks the UI thread, once, to end the process.
void AskTheUiThreadToEnd()
{
    if (!ending.exchange(true) && QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { DisplayLossGuard::EndNow(); },
                                  Qt::QueuedConnection);
}

int OnBrokenConnection(Display*)
{
    if (OnUiThread())
        DisplayLossGuard::EndNow();
    // Another thread asks the UI thread and returns: Xlib then calls the
    // connection's exit handler. One that lets the thread go on (the
    // keyboard monitor's) keeps the thread from waiting here while the UI
    // thread, shutting down after a signal, waits for it. Xlib's default
    // exit handler calls exit(), which waits below.
    AskTheUiThreadToEnd();
    return 0;
}

void OnExit()
{
    // exit() while the program runs: a library gave up on the display.
    if (armed && OnUiThread())
        DisplayLossGuard::EndNow();
    // Another thread must not run the exit handlers: they wait for it.
    if (armed)
        WaitForTheEnd();
}

} // namespace

void DisplayLossGuard::Install(std::function<void()> onLost)
{
    lostHandler = std::move(onLost);
    uiThread = pthread_self();
    installed = true;
    XSetIOErrorHandler(&OnBrokenConnection);
}

void DisplayLossGuard::ArmExitHandler()
{
    static bool registered = false;
    if (!registered)
        registered = std::atexit(&OnExit) == 0;
    armed = registered;
}

void DisplayLossGuard::Disarm()
{
    armed = false;
}

void DisplayLossGuard::EndNow()
{
    if (!OnUiThread()) {
        // Once: the UI thread is asked to end, and this thread waits for it.
        AskTheUiThreadToEnd();
        WaitForTheEnd();
    }
    static bool done = false;
    if (!done) {
        done = true;
        std::fputs("quillo: the X display went away; Quillo ends.\n", stderr);
        if (lostHandler) {
            try {
                lostHandler();
            } catch (...) {
                // Nothing more can be saved.
            }
        }
    }
    std::fflush(nullptr);
    ::_exit(kExitCode);
}
