#include "platform/x11/X11KeyHold.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kXiMajor = 2;
constexpr int kXiMinor = 0;
// Keys typed while the last held ones are sent on are collected again; a
// typist who never stops cannot keep the hold open for longer than this.
constexpr int kMaxReplayRounds = 4;

} // namespace

X11KeyHold::X11KeyHold(_XDisplay* display) : display(display)
{
    int event = 0, error = 0;
    int major = kXiMajor, minor = kXiMinor;
    if (!XQueryExtension(display, "XInputExtension", &xiOpcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        xiOpcode = -1;
        return;
    }
    // Keyboards come and go: the list is made again after a change.
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_HierarchyChanged);
    XIEventMask mask{XIAllDevices, int(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
}

X11KeyHold::~X11KeyHold()
{
    Release({});
    CloseKeyboards();
    if (window)
        XDestroyWindow(display, Window(window));
    if (stateDisplay)
        XCloseDisplay(stateDisplay);
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

void X11KeyHold::CloseKeyboards()
{
    for (void* device : opened)
        if (device)
            XCloseDevice(display, static_cast<XDevice*>(device));
    opened.clear();
    keyboards.clear();
    onOurMaster.clear();
    masterXtest.clear();
    masterPointer.clear();
}

void X11KeyHold::RefreshKeyboards()
{
    CloseKeyboards();
    keyboardsKnown = true;
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    // A master "X keyboard" has the slave "X XTEST keyboard".
    const QByteArray keyboardSuffix(" keyboard");
    QHash<int, int> xtestOfMaster;
    QHash<int, int> pointerOfMaster;
    for (int i = 0; i < count; ++i) {
        const QByteArray name(devices[i].name);
        if (devices[i].use != XIMasterKeyboard || !name.endsWith(keyboardSuffix))
            continue;
        pointerOfMaster[devices[i].deviceid] = devices[i].attachment;
        const QByteArray xtest = name.chopped(keyboardSuffix.size()) + " XTEST" + keyboardSuffix;
        for (int j = 0; j < count; ++j)
            if (devices[j].use == XISlaveKeyboard && devices[j].attachment == devices[i].deviceid &&
                xtest == devices[j].name)
                xtestOfMaster[devices[i].deviceid] = devices[j].deviceid;
    }
    // Our XTEST keys enter through the XTEST keyboard of the master paired
    // with this connection's pointer.
    int clientPointer = 0;
    XIGetClientPointer(display, None, &clientPointer);
    int ourMaster = 0;
    for (int i = 0; i < count; ++i)
        if (devices[i].deviceid == clientPointer)
            ourMaster = devices[i].attachment;
    const int ourXtest = xtestOfMaster.value(ourMaster);
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& device = devices[i];
        if (device.use != XISlaveKeyboard || !device.enabled || device.deviceid == ourXtest)
            continue;
        keyboards << device.deviceid;
        const int xtest = xtestOfMaster.value(device.attachment);
        // The keys down on another master's keyboards are asked of each.
        if (device.attachment == ourMaster)
            onOurMaster.insert(device.deviceid);
        else if (!opened.contains(device.deviceid))
            opened[device.deviceid] = XOpenDevice(display, XID(device.deviceid));
        if (xtest && !opened.contains(xtest))
            opened[xtest] = XOpenDevice(display, XID(xtest));
        masterXtest[device.deviceid] = xtest;
        masterPointer[device.deviceid] = pointerOfMaster.value(device.attachment);
    }
    XIFreeDeviceInfo(devices);
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
    grabbed.clear();
    Drain(); // tells of a change of keyboards since the last hold
    held.clear();
    heldDown.clear();
    releasedUnseen.clear();
    lifted.clear();
    if (!keyboardsKnown)
        RefreshKeyboards();
    LiftKeysDown();
    for (int keyboard : keyboards) {
        XIEventMask mask{keyboard, int(sizeof bits), bits};
        if (XIGrabDevice(display, keyboard, Window(window), CurrentTime, None, XIGrabModeAsync, XIGrabModeAsync,
                         False, &mask) == GrabSuccess)
            grabbed << keyboard;
    }
    holding = !grabbed.isEmpty();
    if (holding) {
        XNoOp(display);
        XFlush(display);
    }
    return holding;
}

namespace {

// The key codes an XI 1 device state reports down.
QList<unsigned> KeysDown(XDeviceState* state)
{
    QList<unsigned> down;
    auto* item = state ? state->data : nullptr;
    for (int i = 0; item && i < state->num_classes; ++i) {
        if (item->c_class == KeyClass) {
            const auto* keys = reinterpret_cast<const XKeyState*>(item);
            for (int keycode = 0; keycode < keys->num_keys && keycode < 256; ++keycode)
                if (keys->keys[keycode / 8] & (1 << (keycode % 8)))
                    down << unsigned(keycode);
        }
        item = reinterpret_cast<XInputClass*>(reinterpret_cast<char*>(item) + item->length);
    }
    return down;
}

} // namespace

void X11KeyHold::LiftKeysDown()
{
    // The keyboards of our own master (on most desktops, all of them): the
    // core key map answers for all of them in one round trip.
    QList<unsigned> oursDown;
    bool oursAsked = false;
    QSet<QPair<int, unsigned>> sent; // XTEST keyboard, key code
    for (int keyboard : keyboards) {
        const int xtestId = masterXtest.value(keyboard);
        auto* xtest = static_cast<XDevice*>(opened.value(xtestId));
        auto* device = static_cast<XDevice*>(opened.value(keyboard));
        if (!xtest)
            continue;
        QList<unsigned> down;
        if (onOurMaster.contains(keyboard)) {
            if (!oursAsked) {
                oursAsked = true;
                char keymap[32] = {};
                XQueryKeymap(display, keymap);
                for (unsigned keycode = 0; keycode < 256; ++keycode)
                    if (keymap[keycode / 8] & (1 << (keycode % 8)))
                        oursDown << keycode;
            }
            down = oursDown;
        } else if (device) {
            XDeviceState* state = XQueryDeviceState(display, device);
            down = KeysDown(state);
            if (state)
                XFreeDeviceState(state);
        }
        for (unsigned keycode : down) {
            if (IsModifierKey(XkbKeycodeToKeysym(display, KeyCode(keycode), 0, 0)))
                continue;
            lifted.insert({keyboard, keycode});
            if (sent.contains({xtestId, keycode}))
                continue;
            sent.insert({xtestId, keycode});
            if (keyboard != xtestId)
                XTestFakeDeviceKeyEvent(display, xtest, keycode, True, nullptr, 0, CurrentTime);
            XTestFakeDeviceKeyEvent(display, xtest, keycode, False, nullptr, 0, CurrentTime);
        }
    }
}

void X11KeyHold::Collect()
{
    XSync(display, False);
    Drain();
}

void X11KeyHold::Drain()
{
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
        if (cookie->evtype == XI_HierarchyChanged) {
            keyboardsKnown = false;
        } else if (cookie->evtype == XI_KeyPress || cookie->evtype == XI_KeyRelease) {
            const auto* key = static_cast<const XIDeviceEvent*>(cookie->data);
            const QPair<int, unsigned> which{key->deviceid, unsigned(key->detail)};
            if (cookie->evtype == XI_KeyPress) {
                // A held key's auto-repeat, or a press of a key already
                // down: the key was typed once.
                const bool repeat = (key->flags & XIKeyRepeat) || heldDown.contains(which);
                if (!repeat) {
                    // A new press of a lifted key: its release went unseen.
                    lifted.remove(which);
                    heldDown.insert(which);
                    held.append({which.second, true});
                }
            } else if (lifted.remove(which)) {
                // Its master had it let up when the hold began; should its
                // press have been early and be sent again, the release
                // follows it (a release whose press is not sent is skipped).
                held.append({which.second, false});
            } else if (heldDown.remove(which)) {
                held.append({which.second, false});
            } else {
                releasedUnseen.append(which);
                // Pressed before the hold: if the press was early and is
                // sent again, this release follows it there, or the key
                // would stay down and drop its next press.
                held.append({which.second, false});
            }
        }
        XFreeEventData(display, cookie);
    }
}

void X11KeyHold::SetReleasedKeysRight(bool afterUngrab)
{
    for (auto it = releasedUnseen.begin(); it != releasedUnseen.end();) {
        const int xtestId = masterXtest.value(it->first);
        if (!afterUngrab && grabbed.contains(xtestId)) {
            ++it;
            continue;
        }
        auto* xtest = static_cast<XDevice*>(opened.value(xtestId));
        if (xtest && MasterHasKeyDown(it->first, it->second)) {
            XTestFakeDeviceKeyEvent(display, xtest, it->second, True, nullptr, 0, CurrentTime);
            XTestFakeDeviceKeyEvent(display, xtest, it->second, False, nullptr, 0, CurrentTime);
        }
        it = releasedUnseen.erase(it);
    }
}

bool X11KeyHold::MasterHasKeyDown(int keyboard, unsigned keycode)
{
    const int pointer = masterPointer.value(keyboard);
    if (!stateDisplay && pointer) {
        stateDisplay = XOpenDisplay(DisplayString(display));
        int major = kXiMajor, minor = kXiMinor;
        if (stateDisplay && XIQueryVersion(stateDisplay, &major, &minor) != Success) {
            XCloseDisplay(stateDisplay);
            stateDisplay = nullptr;
        }
    }
    if (!stateDisplay || !pointer)
        return true; // not known: set right as before
    XISetClientPointer(stateDisplay, None, pointer);
    char keys[32] = {};
    XQueryKeymap(stateDisplay, keys);
    return keycode < 256 && (keys[keycode / 8] & (1 << (keycode % 8)));
}

void X11KeyHold::Replay(const KeyOutput::RawKeys& keys)
{
    for (const auto& [keycode, down] : keys) {
        if (!down && !replayedDown.contains(keycode))
            continue; // pressed before the hold: the program has had its press
        // Pressed again without a release between (an early key whose
        // release was taken when the hold let it up): a second keystroke,
        // which the server would drop as a key already down.
        if (down && replayedDown.contains(keycode))
            XTestFakeKeyEvent(display, keycode, False, CurrentTime);
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
    SetReleasedKeysRight(false);
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
        SetReleasedKeysRight(false);
        keys = held;
    }
    // The last keys delivered to the grab, the end of the grab and sending
    // them on make one step for other clients: with the server held, a key
    // another client injects at that moment cannot reach the program ahead
    // of them. Nothing here waits on another connection (the master's key
    // state is asked on one after the server is free).
    XGrabServer(display);
    held.clear();
    Collect();
    Replay(keys + held);
    for (int device : grabbed)
        XIUngrabDevice(display, device, CurrentTime);
    XUngrabServer(display);
    XFlush(display);
    grabbed.clear();
    holding = false;
    // A device's own keys are not held back by the server: what reached the
    // grab in the moment before it ended.
    held.clear();
    Collect();
    SetReleasedKeysRight(true);
    Replay(held);
    held.clear();
    for (unsigned keycode : replayedDown)
        XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    replayedDown.clear();
    XFlush(display);
}
