#include "platform/wayland/EvdevKeyHold.h"

#include "platform/evdevhook/evdevhook.h"

#include <algorithm>
#include <vector>

EvdevKeyHold::EvdevKeyHold(KeyOutput& output, RawSender send, const QString& libraryPath)
    : output(output), send(std::move(send)), library(libraryPath)
{
}

EvdevKeyHold::~EvdevKeyHold()
{
    try {
        ReleaseUserKeys({});
    } catch (const std::exception&) {
    }
}

bool EvdevKeyHold::Resolve()
{
    if (hold)
        return true;
    // Loaded already by the hook: the same library, the same monitor.
    if (!library.load())
        return false;
    hold = reinterpret_cast<decltype(hold)>(library.resolve("HoldKeyboards"));
    replayHeld = reinterpret_cast<decltype(replayHeld)>(library.resolve("ReplayHeldKeys"));
    endHold = reinterpret_cast<decltype(endHold)>(library.resolve("EndKeyboardHold"));
    if (!hold || !replayHeld || !endHold)
        hold = nullptr;
    return hold != nullptr;
}

bool EvdevKeyHold::HoldUserKeys()
{
    if (holding)
        return true;
    if (!Resolve())
        return false;
    holding = hold(kHoldLimitMs) != 0;
    return holding;
}

void EvdevKeyHold::Replay(const unsigned* keys, int count)
{
    for (int i = 0; i < std::min(count, kMaxHeldKeys); ++i) {
        const unsigned keycode = keys[i] & ~kEvdevHookKeyDown;
        const bool down = (keys[i] & kEvdevHookKeyDown) != 0;
        if (!down && !replayedDown.contains(keycode))
            continue;
        send(keycode, down);
        replayedDown.removeAll(keycode);
        if (down)
            replayedDown << keycode;
    }
}

void EvdevKeyHold::LetUp()
{
    const QList<unsigned> down = replayedDown;
    replayedDown.clear();
    for (auto keycode = down.crbegin(); keycode != down.crend(); ++keycode)
        send(*keycode, false);
}

void EvdevKeyHold::ReleaseUserKeys(const RawKeys& replayFirst)
{
    if (!holding)
        return;
    holding = false;
    replayedDown.clear();
    std::vector<unsigned> first;
    for (const auto& [keycode, down] : replayFirst)
        first.push_back(keycode | (down ? kEvdevHookKeyDown : 0u));
    std::vector<unsigned> keys(kMaxHeldKeys);
    const int count = replayHeld(first.data(), int(first.size()), keys.data(), kMaxHeldKeys);
    // The keyboards stay grabbed while the held keys are sent on, so that a
    // key typed meanwhile follows them instead of overtaking them.
    try {
        Replay(keys.data(), count);
    } catch (...) {
        endHold(nullptr, 0);
        throw;
    }
    const int late = endHold(keys.data(), kMaxHeldKeys);
    Replay(keys.data(), late);
    LetUp();
}
