#include "platform/keybhook/keybhook.h"

#include "platform/keybhook/KeyboardMonitor.h"

#include <QByteArray>
#include <cstring>
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
    if (error && errorSize > 0) {
        const QByteArray text = reason.toUtf8();
        const size_t length = std::min<size_t>(size_t(text.size()), size_t(errorSize - 1));
        std::memcpy(error, text.constData(), length);
        error[length] = '\0';
    }
    return 0;
}

extern "C" void ReleaseKeyboardHook()
{
    std::lock_guard<std::mutex> lock(monitorMutex);
    monitor.reset();
}
