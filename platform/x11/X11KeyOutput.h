#pragma once

#include "platform/KeyOutput.h"

struct _XDisplay;

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

private:
    void Send(std::uint8_t virtualKey, bool down);
    unsigned KeycodeOf(int virtualKey) const;

    _XDisplay* display = nullptr;
};
