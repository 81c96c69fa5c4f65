#include "platform/x11/X11KeyInjector.h"

#include "platform/x11/X11ErrorTrap.h"

#include <QThread>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

X11KeyInjector::X11KeyInjector()
{
    X11ErrorTrap::Install();
    display = XOpenDisplay(nullptr);
    if (!display)
        return;
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        display = nullptr;
    }
}

X11KeyInjector::~X11KeyInjector()
{
    if (display)
        XCloseDisplay(display);
}

bool X11KeyInjector::LockGroup(int group)
{
    if (!display || !XkbLockGroup(display, XkbUseCoreKbd, unsigned(group)))
        return false;
    XSync(display, False);
    return CurrentGroup() == group;
}

int X11KeyInjector::CurrentGroup() const
{
    XkbStateRec state{};
    if (!display || XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return -1;
    return state.locked_group;
}

void X11KeyInjector::Send(std::initializer_list<Event> events, int delayMs)
{
    if (!display)
        return;
    for (const Event& event : events) {
        XTestFakeKeyEvent(display, event.keycode, event.down ? True : False, CurrentTime);
        XFlush(display);
        if (delayMs > 0)
            QThread::msleep(delayMs);
    }
    XSync(display, False);
}

void X11KeyInjector::Tap(std::initializer_list<unsigned> keycodes, int delayMs)
{
    for (unsigned keycode : keycodes)
        Send({{keycode, true}, {keycode, false}}, delayMs);
}

unsigned X11KeyInjector::KeycodeOf(const QString& keysymName) const
{
    const KeySym keysym = XStringToKeysym(keysymName.toLatin1().constData());
    return display && keysym != NoSymbol ? XKeysymToKeycode(display, keysym) : 0;
}
