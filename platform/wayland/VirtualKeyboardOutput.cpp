#include "platform/wayland/VirtualKeyboardOutput.h"

#include "core/QuilloError.h"
#include "platform/UsKeyboardLayout.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeymap.h"
#include "platform/x11/X11KeyCodes.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QSet>
#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

constexpr const char* kErrorSource = "VirtualKeyboardOutput";
constexpr int kErrorNoKeyboard = 3201;
constexpr int kErrorNoKey = 3202;
constexpr int kErrorLost = 3203;
constexpr std::uint32_t kKeyReleased = 0; // wl_keyboard key states
constexpr std::uint32_t kKeyPressed = 1;

// A sealed-off memory file holding the keymap text with its closing NUL.
int KeymapFile(const QByteArray& text)
{
    const int fd = memfd_create("quillo-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    const qsizetype size = text.size() + 1;
    qsizetype written = 0;
    while (written < size) {
        const ssize_t n = write(fd, text.constData() + written, size_t(size - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return -1;
        }
        written += n;
    }
    return fd;
}

} // namespace

VirtualKeyboardOutput::VirtualKeyboardOutput(WaylandConnection& connection, const QByteArray& sessionKeymap)
    : connection(connection)
{
    if (!connection.VirtualKeyboardManager() || !connection.Seat())
        throw QuilloError(kErrorNoKeyboard, kErrorSource,
                          QStringLiteral("The Wayland compositor offers no virtual keyboard."));
    keymap = WaylandKeymap::FromText(sessionKeymap);
    if (!keymap)
        keymap = WaylandKeymap::FromNames(QString());
    if (!keymap)
        throw QuilloError(kErrorNoKeyboard, kErrorSource, QStringLiteral("No keyboard layout could be compiled."));
    state = xkb_state_new(keymap->Keymap());
    clock.start();
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(connection.VirtualKeyboardManager(),
                                                                        connection.Seat());
    Upload(keymap->Text());
    SendModifiers();
    // A compositor that refuses the keyboard says so now, not at the first key.
    if (!connection.Roundtrip())
        throw QuilloError(kErrorNoKeyboard, kErrorSource,
                          QStringLiteral("The Wayland compositor refused Quillo a virtual keyboard."));
}

VirtualKeyboardOutput::~VirtualKeyboardOutput()
{
    if (keyboard && !connection.IsBroken()) {
        // Nothing of ours stays held.
        for (std::uint32_t code : QList<std::uint32_t>(down))
            SendKey(code, false);
        zwp_virtual_keyboard_v1_destroy(keyboard);
        connection.Flush();
    }
    xkb_state_unref(state);
}

QByteArray VirtualKeyboardOutput::KeymapText() const
{
    return keymap->Text();
}

void VirtualKeyboardOutput::Upload(const QByteArray& keymapText)
{
    const int fd = KeymapFile(keymapText);
    if (fd < 0)
        throw QuilloError(kErrorLost, kErrorSource, QStringLiteral("Cannot hand the keymap to the compositor."));
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   std::uint32_t(keymapText.size() + 1));
    close(fd);
}

void VirtualKeyboardOutput::Flush()
{
    if (!connection.Flush())
        throw QuilloError(kErrorLost, kErrorSource, QStringLiteral("The connection to the Wayland compositor is lost."));
}

void VirtualKeyboardOutput::SendKey(std::uint32_t xkbKeycode, bool isDown)
{
    zwp_virtual_keyboard_v1_key(keyboard, std::uint32_t(clock.elapsed()), xkbKeycode - WaylandKeymap::kEvdevOffset,
                                isDown ? kKeyPressed : kKeyReleased);
    if (isDown && !down.contains(xkbKeycode))
        down << xkbKeycode;
    else if (!isDown)
        down.removeAll(xkbKeycode);
}

void VirtualKeyboardOutput::SendModifiers()
{
    zwp_virtual_keyboard_v1_modifiers(keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                      xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                      xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                      xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
}

std::uint32_t VirtualKeyboardOutput::KeycodeOf(int virtualKey) const
{
    const unsigned long keysym = X11KeyCodes::KeysymOfVirtualKey(virtualKey);
    if (keysym) {
        if (const auto stroke = keymap->StrokeFor(std::uint32_t(keysym)))
            return stroke->keycode;
    }
    // A layout without the symbol (Ctrl+V on a Cyrillic layout) still has
    // the key where US keyboards have it.
    for (std::uint32_t code = WaylandKeymap::kFirstTypingKey; code <= WaylandKeymap::kLastTypingKey; ++code)
        if (X11KeyCodes::VirtualKeyOfPosition(code) == virtualKey)
            return code;
    return 0;
}

void VirtualKeyboardOutput::KeyDown(std::uint8_t virtualKey)
{
    const std::uint32_t code = KeycodeOf(virtualKey);
    if (code == 0)
        throw QuilloError(kErrorNoKey, kErrorSource,
                          QStringLiteral("The keyboard has no key for virtual key %1.").arg(virtualKey));
    SendKey(code, true);
    if (xkb_state_update_key(state, code, XKB_KEY_DOWN) & (XKB_STATE_MODS_EFFECTIVE | XKB_STATE_LAYOUT_EFFECTIVE))
        SendModifiers();
    Flush();
}

void VirtualKeyboardOutput::KeyUp(std::uint8_t virtualKey)
{
    const std::uint32_t code = KeycodeOf(virtualKey);
    if (code == 0)
        throw QuilloError(kErrorNoKey, kErrorSource,
                          QStringLiteral("The keyboard has no key for virtual key %1.").arg(virtualKey));
    SendKey(code, false);
    if (xkb_state_update_key(state, code, XKB_KEY_UP) & (XKB_STATE_MODS_EFFECTIVE | XKB_STATE_LAYOUT_EFFECTIVE))
        SendModifiers();
    Flush();
}

void VirtualKeyboardOutput::SendRawKey(std::uint32_t xkbKeycode, bool isDown)
{
    SendKey(xkbKeycode, isDown);
    if (xkb_state_update_key(state, xkbKeycode, isDown ? XKB_KEY_DOWN : XKB_KEY_UP) &
        (XKB_STATE_MODS_EFFECTIVE | XKB_STATE_LAYOUT_EFFECTIVE))
        SendModifiers();
    Flush();
}

std::uint16_t VirtualKeyboardOutput::KeyScan(char16_t character) const
{
    const std::uint32_t keysym = WaylandKeymap::KeysymOfCharacter(character);
    if (const auto stroke = keymap->StrokeFor(keysym)) {
        const std::uint32_t plain = keymap->KeysymAt(stroke->keycode, 0);
        int key = X11KeyCodes::VirtualKeyOfKeysym(plain);
        if (key == 0)
            key = X11KeyCodes::VirtualKeyOfPosition(stroke->keycode);
        if (key != 0) {
            // The third and fourth levels come with AltGr, which the key
            // state words as Ctrl+Alt.
            static constexpr std::uint16_t kLevelStates[] = {0, kShiftState, kControlState | kAltState,
                                                             kShiftState | kControlState | kAltState};
            return std::uint16_t(key | kLevelStates[stroke->level]);
        }
    }
    return UsKeyboardLayout::KeyScan(character);
}

void VirtualKeyboardOutput::TypeText(const QString& text)
{
    QList<std::uint32_t> keysyms;
    const QList<uint> characters = text.toUcs4();
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (characters[i] == U'\r' && i + 1 < characters.size() && characters[i + 1] == U'\n')
            continue; // one Enter for a Windows line break
        if (const std::uint32_t keysym = WaylandKeymap::KeysymOfCharacter(char32_t(characters[i])))
            keysyms << keysym;
    }
    if (keysyms.isEmpty())
        return;
    // The user's held keys must not turn the characters into commands.
    for (std::uint32_t code : QList<std::uint32_t>(down))
        SendKey(code, false);
    qsizetype next = 0;
    while (next < keysyms.size()) {
        // As many characters as the keymap has keys for.
        QList<std::uint32_t> distinct;
        qsizetype end = next;
        for (; end < keysyms.size(); ++end) {
            if (!distinct.contains(keysyms[end])) {
                if (distinct.size() == WaylandKeymap::kMaxTypingKeys)
                    break;
                distinct << keysyms[end];
            }
        }
        Upload(WaylandKeymap::TypingKeymapText(distinct));
        zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
        for (qsizetype i = next; i < end; ++i) {
            const std::uint32_t code = WaylandKeymap::kFirstTypingKey + std::uint32_t(distinct.indexOf(keysyms[i]));
            SendKey(code, true);
            SendKey(code, false);
            Flush();
        }
        next = end;
    }
    Upload(keymap->Text());
    xkb_state_unref(state);
    state = xkb_state_new(keymap->Keymap());
    SendModifiers();
    Flush();
}
