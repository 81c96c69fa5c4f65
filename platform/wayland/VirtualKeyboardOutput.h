#pragma once

#include "platform/KeyOutput.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <memory>

class WaylandConnection;
class WaylandKeymap;
struct zwp_virtual_keyboard_v1;
struct xkb_state;

// Synthetic keys through the compositor's virtual-keyboard protocol: no
// device permission is needed, and the compositor hands the keys to the
// focused window as if a keyboard of the seat had typed them.
//
// One virtual keyboard serves the program's whole life: in a seat without
// another keyboard, a new one makes the seat a keyboard seat, and programs
// ask for their keyboard only then, missing the keys typed at once.
// Programs read Shift, Ctrl and Alt from the seat's modifier state, which a
// compositor (wlroots) takes from a virtual keyboard's modifiers request
// rather than from its keys: every change is sent as one.
class VirtualKeyboardOutput : public KeyOutput
{
public:
    // The keymap the keys are pressed in: the session's (sessionKeymap, XKB
    // text) or, when that is empty or broken, the one the XKB names of the
    // environment give. Throws QuilloError when the compositor offers no
    // virtual keyboard or the connection fails.
    VirtualKeyboardOutput(WaylandConnection& connection, const QByteArray& sessionKeymap);
    ~VirtualKeyboardOutput() override;
    VirtualKeyboardOutput(const VirtualKeyboardOutput&) = delete;
    VirtualKeyboardOutput& operator=(const VirtualKeyboardOutput&) = delete;

    void KeyDown(std::uint8_t virtualKey) override;
    void KeyUp(std::uint8_t virtualKey) override;
    std::uint16_t KeyScan(char16_t character) const override;
    // Switches the keyboard for the moment to a keymap in which every
    // character of the text has a key of its own, so any character is typed
    // whatever the session's layout, then back to the session's keymap.
    void TypeText(const QString& text) override;

    // One key of the session's keymap by its XKB key code, modifiers
    // following (keys the user typed, sent on after a hold).
    void SendRawKey(std::uint32_t xkbKeycode, bool down);

    // The keymap keys are pressed in (XKB text), for the keyboard monitor.
    QByteArray KeymapText() const;

private:
    void Upload(const QByteArray& keymapText);
    void SendKey(std::uint32_t xkbKeycode, bool down);
    void SendModifiers();
    void Flush();
    std::uint32_t KeycodeOf(int virtualKey) const;

    WaylandConnection& connection;
    std::unique_ptr<WaylandKeymap> keymap;
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    xkb_state* state = nullptr;
    QList<std::uint32_t> down; // our keys held now (XKB key codes)
    QElapsedTimer clock;       // the keys' time stamps
};
