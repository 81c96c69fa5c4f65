#include "platform/keybhook/keybhook.h"

#include "platform/HookReason.h"
#include "platform/keybhook/KeyboardMonitor.h"

#include <memory>
#include <mutex>

namespace {

std::mutex monitorMutex;
std::unique_ptr<KeyboardMonitor> monitor;

} // namespace

extern "C" int SetKeyboardHook(void* window, unsigned int msg, char* error, int errorSize)
{
    std::lock_guard<std::mutex> lock(monitorMutex);
    if (monitor)
        monitor->Stop();
    monitor = std::make_unique<KeyboardMonitor>();
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
