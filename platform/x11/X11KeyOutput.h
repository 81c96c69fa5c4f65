#pragma once

#include "platform/KeyOutput.h"

#include <QList>
#include <QTimer>
#include <memory>

struct _XDisplay;
class X11KeyHold;

// Synthetic keys through the XTEST extension on a connection of its own:
// virtual key -> keysym -> the keycode of the current keyboard mapping.
class X11KeyOutput : public KeyOutput
{
public:
    // Throws QuilloError when the display or XTEST is not there.
    X11KeyOutput();
    ~X11KeyOutput() override;
    X11KeyOutput(const X11KeyOutput&) = delete;
    X11KeyOutput& operator=(const X11KeyOutput&) = delete;

    void KeyDown(std::uint8_t virtualKey) override;
    void KeyUp(std::uint8_t virtualKey) override;
    // From the current layout; the United States table where the layout has
    // no key for the character.
    std::uint16_t KeyScan(char16_t character) const override;
    void TypeText(const QString& text) override;
    bool HoldUserKeys() override;
    void ReleaseUserKeys(const RawKeys& replayFirst) override;

    // Typing pauses this long between keys, so that slow programs keep up.
    static constexpr int kTypeGapMs = 2;
    // A program reads a changed keyboard mapping when it gets to the notice
    // of the change, which may be after its next key; spare key codes keep
    // the characters they were given this long after the typing, and the
    // program gets this long to read the mapping before the first of them.
    static constexpr int kRemapSettleMs = 60;
    static constexpr int kRestoreDelayMs = 1500;

private:
    struct Stroke;
    // Gives spare key codes back their empty mapping.
    void RestoreSpareKeys();
    void Inject(unsigned keycode, bool down);

    void Send(std::uint8_t virtualKey, bool down);
    unsigned KeycodeOf(int virtualKey) const;

    _XDisplay* display = nullptr;
    QList<unsigned> remapped; // spare key codes that hold a character now
    std::unique_ptr<X11KeyHold> hold; // made on the first expansion
    std::unique_ptr<QTimer> restoreTimer;
};
