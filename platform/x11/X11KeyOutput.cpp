#include "platform/x11/X11KeyOutput.h"

#include "core/QuilloError.h"
#include "platform/UsKeyboardLayout.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11KeyCodes.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

constexpr const char* kErrorSource = "X11KeyOutput";
constexpr int kErrorNoDisplay = 3101;
constexpr int kErrorNoKey = 3102;

// The evdev keycodes of US keys, for a layout that lacks the symbol (Ctrl+V
// on a Cyrillic layout still needs the key where V is).
unsigned UsKeycodeOf(int virtualKey)
{
    for (unsigned keycode = 8; keycode < 256; ++keycode)
        if (X11KeyCodes::VirtualKeyOfPosition(keycode) == virtualKey)
            return keycode;
    return 0;
}

} // namespace

X11KeyOutput::X11KeyOutput()
{
    X11ErrorTrap::Install();
    display = XOpenDisplay(nullptr);
    if (!display)
        throw QuilloError(kErrorNoDisplay, kErrorSource, QStringLiteral("Cannot open the X display to send keys."));
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        display = nullptr;
        throw QuilloError(kErrorNoDisplay, kErrorSource, QStringLiteral("The X server has no XTEST extension."));
    }
}

X11KeyOutput::~X11KeyOutput()
{
    if (display)
        XCloseDisplay(display);
}

unsigned X11KeyOutput::KeycodeOf(int virtualKey) const
{
    const unsigned long keysym = X11KeyCodes::KeysymOfVirtualKey(virtualKey);
    unsigned keycode = keysym ? XKeysymToKeycode(display, keysym) : 0;
    if (keycode == 0)
        keycode = UsKeycodeOf(virtualKey);
    return keycode;
}

void X11KeyOutput::Send(std::uint8_t virtualKey, bool down)
{
    const unsigned keycode = KeycodeOf(virtualKey);
    if (keycode == 0)
        throw QuilloError(kErrorNoKey, kErrorSource,
                          QStringLiteral("The keyboard has no key for virtual key %1.").arg(virtualKey));
    XTestFakeKeyEvent(display, keycode, down ? True : False, CurrentTime);
    XFlush(display);
}

void X11KeyOutput::KeyDown(std::uint8_t virtualKey)
{
    Send(virtualKey, true);
}

void X11KeyOutput::KeyUp(std::uint8_t virtualKey)
{
    Send(virtualKey, false);
}

std::uint16_t X11KeyOutput::KeyScan(char16_t character) const
{
    const unsigned long keysym = X11KeyCodes::KeysymOfCharacter(character);
    const KeyCode keycode = XKeysymToKeycode(display, keysym);
    if (keycode != 0) {
        const KeySym plain = XkbKeycodeToKeysym(display, keycode, 0, 0);
        int key = X11KeyCodes::VirtualKeyOfKeysym(plain);
        if (key == 0)
            key = X11KeyCodes::VirtualKeyOfPosition(keycode);
        if (key != 0) {
            if (plain == keysym)
                return std::uint16_t(key);
            if (XkbKeycodeToKeysym(display, keycode, 0, 1) == keysym)
                return std::uint16_t(key | kShiftState);
            // The third and fourth levels come with AltGr, which the key
            // state words as Ctrl+Alt.
            if (XkbKeycodeToKeysym(display, keycode, 0, 2) == keysym)
                return std::uint16_t(key | kControlState | kAltState);
            if (XkbKeycodeToKeysym(display, keycode, 0, 3) == keysym)
                return std::uint16_t(key | kShiftState | kControlState | kAltState);
        }
    }
    return UsKeyboardLayout::KeyScan(character);
}
