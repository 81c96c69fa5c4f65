#pragma once

#include "platform/KeyOutput.h"
#include "platform/evdevhook/EvdevKeymap.h"
#include "platform/wayland/UinputEventWriter.h"

#include <memory>

class UinputDevice;

// Synthetic keys through a uinput virtual keyboard, for desktops that take
// none from their clients. The desktop reads the device with its own
// keymap, so this one must know that keymap too (the one the compositor
// hands its clients, else the session's XKB names): virtual key -> the
// evdev key whose first-group symbol it is, characters -> key and level.
// Types in the first group of the layout. Characters the layout lacks
// cannot be typed at all (the device has no keymap of its own to borrow
// keys in): TypeText refuses the whole text, naming them, before any key.
class UinputKeyOutput : public KeyOutput
{
public:
    static constexpr const char* kUinputPath = "/dev/uinput";
    // Typing pauses this long between characters, so that slow programs keep up.
    static constexpr int kTypeGapMs = 2;

    // Makes the virtual keyboard; throws QuilloError saying what is missing.
    explicit UinputKeyOutput(std::shared_ptr<const EvdevKeymap> keymap, const QString& devicePath = kUinputPath);
    // Writes to fd (not owned) with no device, for tests.
    UinputKeyOutput(int fd, std::shared_ptr<const EvdevKeymap> keymap, int typeGapMs);
    ~UinputKeyOutput() override;
    UinputKeyOutput(const UinputKeyOutput&) = delete;
    UinputKeyOutput& operator=(const UinputKeyOutput&) = delete;

    // The compositor's keymap changed.
    void SetKeymap(std::shared_ptr<const EvdevKeymap> keymap);

    void KeyDown(std::uint8_t virtualKey) override;
    void KeyUp(std::uint8_t virtualKey) override;
    // From the keymap; the United States table where it has no key for the
    // character, as on X11.
    std::uint16_t KeyScan(char16_t character) const override;
    void TypeText(const QString& text) override;
    // One key by its XKB key code (evdev + 8): keys the user typed, sent on
    // after a hold.
    void SendRawKey(unsigned xkbKeycode, bool down);

private:
    unsigned CodeOf(int virtualKey) const;

    std::unique_ptr<UinputDevice> device;
    UinputEventWriter writer;
    std::shared_ptr<const EvdevKeymap> keymap;
    int typeGapMs = kTypeGapMs;
};
