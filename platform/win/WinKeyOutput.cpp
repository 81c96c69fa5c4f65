#include "platform/win/WinKeyOutput.h"

#include "core/QuilloError.h"
#include "platform/win/WinKeyEvents.h"
#include "platform/win/keybhook/keybhook.h"

#include <vector>

namespace {

constexpr const char* kErrorSource = "WinKeyOutput";
constexpr int kErrorRefused = 3501;

// VkKeyScanEx's shift state bits.
constexpr int kScanShift = 1;
constexpr int kScanControl = 2;
constexpr int kScanAlt = 4;

using HoldFunction = int (*)();
using ReleaseFunction = void (*)(const KeybhookRawKey*, int);

template <typename Function>
Function MonitorFunction(const char* name)
{
    // Only a library the program has loaded already: a hold without its
    // monitor running would hold nothing.
    const HMODULE library = GetModuleHandleW(WinKeyOutput::kMonitorLibrary);
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

void SendOrThrow(std::vector<INPUT>& events)
{
    if (!WinKeyEvents::Send(events))
        throw QuilloError(kErrorRefused, kErrorSource,
                          QStringLiteral("Windows did not take the keys Quillo sent (the window with the focus may "
                                         "run with higher rights than Quillo)."));
}

} // namespace

void WinKeyOutput::KeyDown(std::uint8_t virtualKey)
{
    Send(virtualKey, true);
}

void WinKeyOutput::KeyUp(std::uint8_t virtualKey)
{
    Send(virtualKey, false);
}

void WinKeyOutput::Send(std::uint8_t virtualKey, bool down)
{
    std::vector<INPUT> events{WinKeyEvents::Key(virtualKey, down, WinKeyEvents::ForegroundLayout())};
    SendOrThrow(events);
}

std::uint16_t WinKeyOutput::KeyScan(char16_t character) const
{
    const SHORT scan = VkKeyScanExW(wchar_t(character), WinKeyEvents::ForegroundLayout());
    if (scan == -1 || (scan & 0xFF) == 0xFF)
        return kNoKeyScan;
    const int state = (scan >> 8) & 0xFF;
    std::uint16_t result = std::uint16_t(scan & 0xFF);
    if (state & kScanShift)
        result |= kShiftState;
    if (state & kScanControl)
        result |= kControlState;
    if (state & kScanAlt)
        result |= kAltState;
    return result;
}

void WinKeyOutput::TypeText(const QString& text)
{
    if (text.isEmpty())
        return;
    const HKL layout = WinKeyEvents::ForegroundLayout();
    std::vector<INPUT> events;
    events.reserve(size_t(text.size()) * 2);
    auto key = [&](WORD virtualKey) {
        events.push_back(WinKeyEvents::Key(virtualKey, true, layout));
        events.push_back(WinKeyEvents::Key(virtualKey, false, layout));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit == QLatin1Char('\r')) {
            key(VK_RETURN);
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (unit == QLatin1Char('\n')) {
            key(VK_RETURN);
        } else if (unit == QLatin1Char('\t')) {
            key(VK_TAB);
        } else {
            events.push_back(WinKeyEvents::Unicode(wchar_t(unit.unicode()), true));
            events.push_back(WinKeyEvents::Unicode(wchar_t(unit.unicode()), false));
        }
    }
    SendOrThrow(events);
}

bool WinKeyOutput::HoldUserKeys()
{
    const auto hold = MonitorFunction<HoldFunction>("HoldUserKeys");
    return hold && hold() != 0;
}

void WinKeyOutput::ReleaseUserKeys(const RawKeys& replayFirst)
{
    const auto release = MonitorFunction<ReleaseFunction>("ReleaseUserKeys");
    if (!release)
        return;
    std::vector<KeybhookRawKey> keys;
    for (const auto& [keycode, down] : replayFirst)
        keys.push_back({keycode, down ? 1 : 0});
    release(keys.data(), int(keys.size()));
}
