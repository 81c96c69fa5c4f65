#pragma once

#include "platform/KeyOutput.h"

#include <QLibrary>
#include <QList>
#include <functional>

// Holds the user's keys for the length of an expansion in a Wayland session.
// The keyboard monitor library owns the keyboard devices, so it grabs them
// (the desktop sees none of the user's keys meanwhile) and marks in its
// stream of key events where the hold began and ended; this output asks it
// to, and sends the held keys on through the output it wraps, after the
// expansion's own keys. Everything else goes straight to that output.
class EvdevKeyHold : public KeyOutput
{
public:
    // The monitor lets the keyboards go by itself after this long, should
    // the program not end the hold (a stalled event loop). Above the
    // engine's own limit, which counts from the paste.
    static constexpr int kHoldLimitMs = 1000;
    // Keys typed during one hold, at most, that are sent on.
    static constexpr int kMaxHeldKeys = 1024;

    // Sends one key of the session's keymap by its XKB key code.
    using RawSender = std::function<void(unsigned xkbKeycode, bool down)>;

    // libraryPath: the keyboard monitor library the hook loads.
    EvdevKeyHold(KeyOutput& output, RawSender send, const QString& libraryPath);
    ~EvdevKeyHold() override;
    EvdevKeyHold(const EvdevKeyHold&) = delete;
    EvdevKeyHold& operator=(const EvdevKeyHold&) = delete;

    void KeyDown(std::uint8_t virtualKey) override { output.KeyDown(virtualKey); }
    void KeyUp(std::uint8_t virtualKey) override { output.KeyUp(virtualKey); }
    std::uint16_t KeyScan(char16_t character) const override { return output.KeyScan(character); }
    void TypeText(const QString& text) override { output.TypeText(text); }

    // False when no monitor runs or no keyboard could be grabbed.
    bool HoldUserKeys() override;
    void ReleaseUserKeys(const RawKeys& replayFirst) override;

private:
    bool Resolve();
    // Sends the keys as typed; a release whose press was not sent (the key
    // was down before the hold) is left out.
    void Replay(const unsigned* keys, int count);
    // Lets up what the replay left down: a key still held by the user was
    // never pressed for the desktop, which would drop its release.
    void LetUp();

    KeyOutput& output;
    RawSender send;
    QLibrary library;
    int (*hold)(int) = nullptr;
    int (*replayHeld)(const unsigned*, int, unsigned*, int) = nullptr;
    int (*endHold)(unsigned*, int) = nullptr;
    bool holding = false;
    QList<unsigned> replayedDown; // in the order pressed
};
