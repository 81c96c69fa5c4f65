#include "platform/x11/X11KeyOutput.h"

#include "core/QuilloError.h"
#include "platform/UsKeyboardLayout.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11KeyCodes.h"
#include "platform/x11/X11KeyHold.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <QHash>
#include <QThread>
#include <xkbcommon/xkbcommon.h>

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
    if (display) {
        hold.reset();
        RestoreSpareKeys();
        XCloseDisplay(display);
    }
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
    Inject(keycode, down);
}

void X11KeyOutput::Inject(unsigned keycode, bool down)
{
    XTestFakeKeyEvent(display, keycode, down ? True : False, CurrentTime);
    XFlush(display);
}

bool X11KeyOutput::HoldUserKeys()
{
    if (!hold)
        hold = std::make_unique<X11KeyHold>(display);
    return hold->Hold();
}

void X11KeyOutput::ReleaseUserKeys(const RawKeys& replayFirst)
{
    if (hold)
        hold->Release(replayFirst);
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

namespace {

// Bits 13 and 14 of a core state hold the group.
constexpr unsigned kGroupShift = 13;
constexpr unsigned long kFirstKeypadKeysym = 0xff80;
constexpr unsigned long kLastKeypadKeysym = 0xffbd;

KeySym KeysymOfCodePoint(char32_t character)
{
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff))
        return KeySym(character);
    return KeySym(0x01000000u + character);
}

} // namespace

struct X11KeyOutput::Stroke
{
    unsigned keycode = 0;
    bool shift = false;
};

void X11KeyOutput::TypeText(const QString& text)
{
    if (text.isEmpty())
        return;
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    XkbDescPtr xkb = XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd);
    if (!xkb)
        throw QuilloError(kErrorNoKey, kErrorSource, QStringLiteral("Cannot read the keyboard mapping."));

    // Which key, with or without Shift, types each character in the group
    // and with the Caps Lock state the user has now.
    const unsigned base = (unsigned(state.group) << kGroupShift) | (state.locked_mods & LockMask);
    QHash<char32_t, Stroke> strokes;
    QList<unsigned> spare;
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        if (XkbKeyNumGroups(xkb, keycode) == 0 && !remapped.contains(keycode)) {
            spare << keycode;
            continue;
        }
        for (bool shift : {false, true}) {
            unsigned consumed = 0;
            KeySym keysym = NoSymbol;
            if (!XkbTranslateKeyCode(xkb, KeyCode(keycode), base | (shift ? ShiftMask : 0), &consumed, &keysym) ||
                keysym == NoSymbol || (keysym >= kFirstKeypadKeysym && keysym <= kLastKeypadKeysym))
                continue;
            const char32_t character = xkb_keysym_to_utf32(xkb_keysym_t(keysym));
            if (character != 0 && !strokes.contains(character))
                strokes.insert(character, {keycode, shift});
        }
    }
    XkbFreeKeyboard(xkb, XkbAllComponentsMask, True);

    const unsigned shiftKey = XKeysymToKeycode(display, XK_Shift_L);
    const unsigned enterKey = XKeysymToKeycode(display, XK_Return);
    const unsigned tabKey = XKeysymToKeycode(display, XK_Tab);
    const QList<uint> characters = text.toUcs4();

    // Characters the layout lacks go on spare key codes, as many at a time
    // as there are spare codes.
    qsizetype next = 0;
    while (next < characters.size()) {
        QHash<char32_t, unsigned> mapped;
        bool newlyMapped = false;
        qsizetype end = next;
        for (; end < characters.size(); ++end) {
            const char32_t c = characters[end];
            if (c == U'\n' || c == U'\r' || c == U'\t' || strokes.contains(c) || mapped.contains(c))
                continue;
            if (spare.isEmpty())
                break;
            const unsigned keycode = spare.takeFirst();
            // The same symbol on both levels: neither Shift nor Caps Lock
            // changes it.
            KeySym symbols[2] = {KeysymOfCodePoint(c), KeysymOfCodePoint(c)};
            XChangeKeyboardMapping(display, int(keycode), 2, symbols, 1);
            mapped.insert(c, keycode);
            remapped << keycode;
            newlyMapped = true;
        }
        if (newlyMapped) {
            XSync(display, False);
            QThread::msleep(kRemapSettleMs);
        }
        for (qsizetype i = next; i < end; ++i) {
            const char32_t c = characters[i];
            if (c == U'\r' && i + 1 < characters.size() && characters[i + 1] == U'\n')
                continue; // one Enter for a Windows line break
            Stroke stroke;
            if (c == U'\n' || c == U'\r')
                stroke.keycode = enterKey;
            else if (c == U'\t')
                stroke.keycode = tabKey;
            else if (mapped.contains(c))
                stroke.keycode = mapped.value(c);
            else
                stroke = strokes.value(c);
            if (stroke.keycode == 0)
                continue;
            if (stroke.shift)
                Inject(shiftKey, true);
            Inject(stroke.keycode, true);
            Inject(stroke.keycode, false);
            if (stroke.shift)
                Inject(shiftKey, false);
            QThread::msleep(kTypeGapMs);
        }
        XSync(display, False);
        if (end < characters.size() && spare.isEmpty()) {
            // More characters than spare codes: free them for the next batch
            // once the program has typed these.
            QThread::msleep(kRemapSettleMs);
            RestoreSpareKeys();
            spare = remapped;
        }
        next = end;
    }
    if (!remapped.isEmpty()) {
        if (!restoreTimer) {
            restoreTimer = std::make_unique<QTimer>();
            restoreTimer->setSingleShot(true);
            QObject::connect(restoreTimer.get(), &QTimer::timeout, [this] { RestoreSpareKeys(); });
        }
        restoreTimer->start(kRestoreDelayMs);
    }
}

void X11KeyOutput::RestoreSpareKeys()
{
    if (remapped.isEmpty())
        return;
    KeySym none[2] = {NoSymbol, NoSymbol};
    for (unsigned keycode : remapped)
        XChangeKeyboardMapping(display, int(keycode), 2, none, 1);
    XSync(display, False);
    remapped.clear();
}
