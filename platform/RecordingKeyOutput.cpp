#include "platform/RecordingKeyOutput.h"

#include "core/QuilloError.h"
#include "platform/UsKeyboardLayout.h"

#include <algorithm>

RecordingKeyOutput::RecordingKeyOutput() : RecordingKeyOutput(&UsKeyboardLayout::KeyScan) {}

RecordingKeyOutput::RecordingKeyOutput(Layout layout) : layout(std::move(layout)) {}

void RecordingKeyOutput::KeyDown(std::uint8_t virtualKey)
{
    if (keyDowns >= keyDownLimit)
        throw QuilloError(kRefusedError, QStringLiteral("RecordingKeyOutput"),
                          QStringLiteral("The key output refused key %1.").arg(virtualKey));
    ++keyDowns;
    events.push_back({virtualKey, false});
}

void RecordingKeyOutput::KeyUp(std::uint8_t virtualKey)
{
    events.push_back({virtualKey, true});
}

void RecordingKeyOutput::TypeText(const QString& text)
{
    events.push_back({0, false, text});
}

std::uint16_t RecordingKeyOutput::KeyScan(char16_t character) const
{
    return layout(character);
}

std::vector<std::uint8_t> RecordingKeyOutput::HeldKeys() const
{
    std::vector<std::uint8_t> held;
    for (const Event& event : events) {
        if (!event.typed.isEmpty())
            continue;
        const auto found = std::find(held.begin(), held.end(), event.virtualKey);
        if (event.up && found != held.end())
            held.erase(found);
        else if (!event.up && found == held.end())
            held.push_back(event.virtualKey);
    }
    return held;
}

QStringList RecordingKeyOutput::Lines() const
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(events.size()));
    for (const Event& event : events)
        lines << Line(event);
    return lines;
}

QString RecordingKeyOutput::Line(const Event& event)
{
    if (!event.typed.isEmpty())
        return QStringLiteral("type ") + event.typed;
    return QStringLiteral("%1 %2").arg(event.up ? QStringLiteral("up") : QStringLiteral("down")).arg(event.virtualKey);
}
