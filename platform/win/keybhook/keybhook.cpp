#include "platform/win/keybhook/keybhook.h"

#include "platform/HookReason.h"
#include "platform/win/keybhook/WinKeyboardMonitor.h"

#include <memory>
#include <mutex>

namespace {

std::mutex monitorMutex;
std::unique_ptr<WinKeyboardMonitor> monitor;

} // namespace

extern "C" int SetKeyboardHook(void* window, unsigned int msg, char* error, int errorSize)
{
    std::lock_guard<std::mutex> lock(monitorMutex);
    monitor.reset();
    monitor = std::make_unique<WinKeyboardMonitor>();
    QString reason;
    if (monitor->Start(static_cast<QObject*>(window), msg, &reason))
        return 1;
    monitor.reset();
    HookReason::CopyOut(reason, error, errorSize);
    return 0;
}

extern "C" void ReleaseKeyboardHook()
{
    std::lock_guard<std::mutex> lock(monitorMutex);
    monitor.reset();
}

extern "C" int HoldUserKeys()
{
    std::lock_guard<std::mutex> lock(monitorMutex);
    return monitor && monitor->Hold() ? 1 : 0;
}

extern "C" void ReleaseUserKeys(const KeybhookRawKey* keys, int count)
{
    std::vector<WinKeyboardMonitor::RawKey> first;
    for (int i = 0; keys && i < count; ++i)
        first.push_back({keys[i].keycode, keys[i].down != 0});
    std::lock_guard<std::mutex> lock(monitorMutex);
    if (monitor)
        monitor->Release(first);
}
