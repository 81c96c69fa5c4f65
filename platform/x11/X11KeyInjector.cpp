#include "platform/x11/X11KeyInjector.h"

#include "platform/x11/X11ErrorTrap.h"

#include <QThread>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <cstring>

namespace {

constexpr const char* kSecondKeyboard = "Quillo test typist";

} // namespace

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
    if (secondKeyboard)
        XCloseDevice(display, static_cast<XDevice*>(secondKeyboard));
    if (display)
        XCloseDisplay(display);
}

bool X11KeyInjector::UseSecondKeyboard()
{
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!display || !XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success)
        return false;
    const QByteArray masterName = QByteArray(kSecondKeyboard) + " keyboard";
    const QByteArray xtestName = QByteArray(kSecondKeyboard) + " XTEST keyboard";
    auto find = [this](const QByteArray& name) {
        int count = 0, id = 0;
        XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
        for (int i = 0; i < count; ++i)
            if (name == devices[i].name)
                id = devices[i].deviceid;
        XIFreeDeviceInfo(devices);
        return id;
    };
    if (!find(masterName)) {
        XIAddMasterInfo add{XIAddMaster, const_cast<char*>(kSecondKeyboard), True, True};
        XIChangeHierarchy(display, reinterpret_cast<XIAnyHierarchyChangeInfo*>(&add), 1);
        XSync(display, False);
    }
    const int master = find(masterName);
    const int xtest = find(xtestName);
    if (!master || !xtest)
        return false;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    XISetFocus(display, master, focus, CurrentTime);
    if (!secondKeyboard)
        secondKeyboard = XOpenDevice(display, XID(xtest));
    XSync(display, False);
    return secondKeyboard != nullptr;
}

bool X11KeyInjector::SecondKeyboardGrabbed() const
{
    if (!display || !secondKeyboard)
        return false;
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(display, int(static_cast<XDevice*>(secondKeyboard)->device_id), &count);
    const bool floating = info && count == 1 && info->use == XIFloatingSlave;
    if (info)
        XIFreeDeviceInfo(info);
    return floating;
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
        if (secondKeyboard)
            XTestFakeDeviceKeyEvent(display, static_cast<XDevice*>(secondKeyboard), event.keycode, event.down ? True : False, nullptr, 0,
                                    CurrentTime);
        else
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
