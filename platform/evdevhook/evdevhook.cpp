#include "platform/evdevhook/evdevhook.h"

#include "platform/evdevhook/EvdevKeymap.h"
#include "platform/evdevhook/EvdevMonitor.h"
#include "platform/HookReason.h"
#include "platform/wayland/DeviceAccess.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

std::mutex hookMutex;
std::unique_ptr<EvdevMonitor> monitor;
// The keymap handed over, kept for a monitor set later.
std::shared_ptr<const EvdevKeymap> handedKeymap;

int CopyKeys(const EvdevMonitor::Keys& held, unsigned* keys, int size)
{
    for (size_t i = 0; i < held.size() && keys && int(i) < size; ++i)
        keys[i] = held[i].first | (held[i].second ? kEvdevHookKeyDown : 0u);
    return int(held.size());
}

} // namespace

extern "C" int SetKeyboardHook(void* window, unsigned int msg, char* error, int errorSize)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    if (monitor)
        monitor->Stop();
    monitor.reset();
    QString reason;
    std::shared_ptr<const EvdevKeymap> keymap = handedKeymap;
    if (!keymap) {
        keymap = EvdevKeymap::FromNames(EvdevKeymap::SessionNames(), &reason);
        if (!keymap) {
            HookReason::CopyOut(QStringLiteral("Quillo cannot watch the keyboard: %1.").arg(reason), error, errorSize);
            return 0;
        }
    }
    bool simulated = false;
    const QString folder = DeviceAccess::DeviceFolder(&simulated);
    auto started = std::make_unique<EvdevMonitor>();
    if (!started->Start(static_cast<QObject*>(window), msg, folder, simulated, keymap, &reason)) {
        HookReason::CopyOut(reason, error, errorSize);
        return 0;
    }
    monitor = std::move(started);
    return 1;
}

extern "C" void ReleaseKeyboardHook()
{
    std::lock_guard<std::mutex> lock(hookMutex);
    monitor.reset();
}

extern "C" int SetKeyboardKeymap(const char* xkbKeymapText)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    std::shared_ptr<const EvdevKeymap> keymap;
    if (xkbKeymapText && *xkbKeymapText) {
        keymap = EvdevKeymap::FromText(QByteArray(xkbKeymapText), nullptr);
        if (!keymap)
            return 0;
    }
    handedKeymap = keymap;
    if (monitor) {
        QString reason;
        if (!keymap)
            keymap = EvdevKeymap::FromNames(EvdevKeymap::SessionNames(), &reason);
        if (keymap)
            monitor->SetKeymap(keymap);
    }
    return 1;
}

extern "C" int KeyboardDevices(char* text, int textSize)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    QStringList lines;
    int keyboards = 0;
    if (monitor) {
        lines = monitor->Devices();
        for (const QString& line : lines)
            if (line.startsWith(QLatin1String("keyboard")))
                ++keyboards;
    } else {
        bool simulated = false;
        const QString folder = DeviceAccess::DeviceFolder(&simulated);
        lines = EvdevMonitor::Scan(folder, simulated, &keyboards);
    }
    HookReason::CopyOut(lines.join(QLatin1Char('\n')), text, textSize);
    return keyboards;
}

extern "C" int HoldKeyboards(int limitMs)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    return monitor && monitor->Hold(limitMs) ? 1 : 0;
}

extern "C" int ReplayHeldKeys(const unsigned* first, int firstCount, unsigned* keys, int size)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    if (!monitor)
        return 0;
    EvdevMonitor::Keys replayFirst;
    for (int i = 0; first && i < firstCount; ++i)
        replayFirst.push_back({first[i] & ~kEvdevHookKeyDown, (first[i] & kEvdevHookKeyDown) != 0});
    return CopyKeys(monitor->ReplayHeld(replayFirst), keys, size);
}

extern "C" int EndKeyboardHold(unsigned* keys, int size)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    return monitor ? CopyKeys(monitor->EndHold(), keys, size) : 0;
}
