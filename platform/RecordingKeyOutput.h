#pragma once

#include "platform/KeyOutput.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

// A KeyOutput that sends nothing and remembers every event, for tests and dry
// runs. Characters map through a layout function, the US layout by default.
class RecordingKeyOutput : public KeyOutput
{
public:
    struct Event
    {
        std::uint8_t virtualKey;
        bool up;
        QString typed{}; // the text of a TypeText call (virtualKey 0)
        bool operator==(const Event&) const = default;
    };
    using Layout = std::function<std::uint16_t(char16_t)>;

    static constexpr int kRefusedError = 1;

    RecordingKeyOutput();
    explicit RecordingKeyOutput(Layout layout);

    void KeyDown(std::uint8_t virtualKey) override;
    void KeyUp(std::uint8_t virtualKey) override;
    std::uint16_t KeyScan(char16_t character) const override;
    // Recorded as the one line "type TEXT".
    void TypeText(const QString& text) override;

    const std::vector<Event>& Events() const { return events; }
    void Clear() { events.clear(); }

    // Refuses key-downs (throws QuilloError kRefusedError) once this many
    // have been recorded, as a desktop that stops taking input would.
    // Key-ups are always taken, so releasing held keys still works.
    void SetKeyDownLimit(std::size_t limit) { keyDownLimit = limit; }

    // Keys whose last event was a key-down, in the order they went down.
    std::vector<std::uint8_t> HeldKeys() const;

    // "down 16", "up 16", ... one line per event.
    QStringList Lines() const;
    static QString Line(const Event& event);

private:
    Layout layout;
    std::vector<Event> events;
    std::size_t keyDowns = 0;
    std::size_t keyDownLimit = std::numeric_limits<std::size_t>::max();
};
