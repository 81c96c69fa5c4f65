#include "platform/x11/X11KeyHold.h"

#include <QDeadlineTimer>
#include <QThread>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

namespace {

constexpr int kXiMajor = 2;
constexpr int kXiMinor = 0;
// Keys typed while the last held ones are sent on are collected again; a
// typist who never stops cannot keep the hold open for longer than this.
constexpr int kMaxReplayRounds = 4;
// A keyboard is grabbed once none of its keys is down: a release the grab
// took would never reach the master device, which would then drop the next
// press of that key (the trigger's Space, typically). A key still down after
// this long (held for repeat, or a modifier) is grabbed all the same.
constexpr int kKeysUpWaitMs = 150;
constexpr int kKeysUpPollMs = 1;

bool AnyKeyDown(Display* display, XID device)
{
    XDevice* opened = XOpenDevice(display, device);
    if (!opened)
        return false;
    bool down = false;
    if (XDeviceState* state = XQueryDeviceState(display, opened)) {
        auto* item = reinterpret_cast<XInputClass*>(state->data);
        for (int i = 0; i < state->num_classes; ++i) {
            if (item->c_class == KeyClass) {
                const auto* keys = reinterpret_cast<XKeyState*>(item);
                for (int byte = 0; byte < 32 && !down; ++byte)
                    down = keys->keys[byte] != 0;
            }
            item = reinterpret_cast<XInputClass*>(reinterpret_cast<char*>(item) + item->length);
        }
        XFreeDeviceState(state);
    }
    XCloseDevice(display, opened);
    return down;
}

} // namespace

X11KeyHold::X11KeyHold(_XDisplay* display) : display(display)
{
    int event = 0, error = 0;
    int major = kXiMajor, minor = kXiMinor;
    if (XQueryExtension(display, "XInputExtension", &xiOpcode, &event, &error) &&
        XIQueryVersion(display, &major, &minor) == Success)
        return;
    xiOpcode = -1;
}

X11KeyHold::~X11KeyHold()
{
    Release({});
    if (window)
        XDestroyWindow(display, Window(window));
}

bool X11KeyHold::EnsureWindow()
{
    if (window)
        return true;
    // Grabs need a viewable window; this one is off screen and takes no part
    // in focus or stacking.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    window = XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent,
                           CWOverrideRedirect, &attributes);
    XMapWindow(display, Window(window));
    XSync(display, False);
    return window != 0;
}

QList<int> X11KeyHold::UserKeyboards() const
{
    // Our XTEST keys enter through the XTEST keyboard of the master paired
    // with this connection's pointer.
    int clientPointer = 0;
    XIGetClientPointer(display, None, &clientPointer);
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    int ourMaster = 0;
    QByteArray ourXtest;
    for (int i = 0; i < count; ++i)
        if (devices[i].deviceid == clientPointer)
            ourMaster = devices[i].attachment;
    // A master "X keyboard" has the slave "X XTEST keyboard".
    const QByteArray keyboardSuffix(" keyboard");
    for (int i = 0; i < count; ++i) {
        QByteArray name(devices[i].name);
        if (devices[i].deviceid == ourMaster && name.endsWith(keyboardSuffix))
            ourXtest = name.chopped(keyboardSuffix.size()) + " XTEST" + keyboardSuffix;
    }
    QList<int> keyboards;
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& device = devices[i];
        if (device.use != XISlaveKeyboard || !device.enabled)
            continue;
        if (device.attachment == ourMaster && ourXtest == device.name)
            continue;
        keyboards << device.deviceid;
    }
    XIFreeDeviceInfo(devices);
    return keyboards;
}

bool X11KeyHold::Hold()
{
    if (holding)
        return true;
    if (xiOpcode < 0 || !EnsureWindow())
        return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    held.clear();
    grabbed.clear();
    QList<int> waiting = UserKeyboards();
    QDeadlineTimer keysUp(kKeysUpWaitMs);
    while (!waiting.isEmpty()) {
        const bool late = keysUp.hasExpired();
        for (auto it = waiting.begin(); it != waiting.end();) {
            if (!late && AnyKeyDown(display, XID(*it))) {
                ++it;
                continue;
            }
            XIEventMask mask{*it, int(sizeof bits), bits};
            if (XIGrabDevice(display, *it, Window(window), CurrentTime, None, XIGrabModeAsync, XIGrabModeAsync,
                             False, &mask) == GrabSuccess)
                grabbed << *it;
            it = waiting.erase(it);
        }
        if (!waiting.isEmpty())
            QThread::msleep(kKeysUpPollMs);
    }
    holding = !grabbed.isEmpty();
    if (holding) {
        XNoOp(display);
        XFlush(display);
    }
    return holding;
}

void X11KeyHold::Collect()
{
    XSync(display, False);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xiOpcode || !XGetEventData(display, cookie))
            continue;
        if (cookie->evtype == XI_KeyPress || cookie->evtype == XI_KeyRelease) {
            const auto* key = static_cast<const XIDeviceEvent*>(cookie->data);
            held.append({unsigned(key->detail), cookie->evtype == XI_KeyPress});
        }
        XFreeEventData(display, cookie);
    }
}

void X11KeyHold::Replay(const KeyOutput::RawKeys& keys)
{
    for (const auto& [keycode, down] : keys) {
        if (!down && !replayedDown.contains(keycode))
            continue; // pressed before the hold: the program has had its press
        XTestFakeKeyEvent(display, keycode, down ? True : False, CurrentTime);
        if (down)
            replayedDown.insert(keycode);
        else
            replayedDown.remove(keycode);
    }
}

void X11KeyHold::Release(const KeyOutput::RawKeys& replayFirst)
{
    if (!holding)
        return;
    Collect();
    // The monitor's mark: from here on, what it records is typing again.
    XNoOp(display);
    replayedDown.clear();
    KeyOutput::RawKeys keys = replayFirst + held;
    // The keyboards stay grabbed while the held keys are sent on, so a key
    // typed meanwhile is held too and follows them.
    for (int round = 0; round < kMaxReplayRounds && !keys.isEmpty(); ++round) {
        held.clear();
        Replay(keys);
        Collect();
        keys = held;
    }
    for (int device : grabbed)
        XIUngrabDevice(display, device, CurrentTime);
    grabbed.clear();
    holding = false;
    // Delivered to the grab before it ended.
    held.clear();
    Collect();
    Replay(keys + held);
    held.clear();
    for (unsigned keycode : replayedDown)
        XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    replayedDown.clear();
    XFlush(display);
}
