#include "platform/evdevhook/EvdevMonitor.h"

#include "core/MessageLayer.h"
#include "platform/KeyboardHook.h"
#include "platform/evdevhook/EvdevDevice.h"
#include "platform/evdevhook/EvdevKeyTranslator.h"
#include "platform/wayland/DeviceAccess.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int kKeyReleased = 0;
constexpr int kKeyPressed = 1;
constexpr int kKeyRepeated = 2;
constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_MODIFY | IN_CLOSE_WRITE;
constexpr size_t kInotifyBufferSize = 16 * 1024;

const char* CharacterLocale()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "C";
}

// Mouse buttons as the virtual keys the engine knows (left, right, middle).
int ButtonKey(unsigned code)
{
    switch (code) {
    case BTN_LEFT:
        return 1;
    case BTN_RIGHT:
        return 2;
    case BTN_MIDDLE:
        return 4;
    default:
        return 0;
    }
}

bool IsModifier(unsigned code)
{
    switch (code) {
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
    case KEY_LEFTALT:
    case KEY_RIGHTALT:
    case KEY_LEFTMETA:
    case KEY_RIGHTMETA:
        return true;
    default:
        return false;
    }
}

QStringList Candidates(const QString& folder)
{
    return QDir(folder).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

EvdevMonitor::EvdevMonitor() = default;

EvdevMonitor::~EvdevMonitor()
{
    Stop();
}

bool EvdevMonitor::Start(QObject* target, unsigned message, const QString& deviceFolder, bool simulatedFolder,
                         std::shared_ptr<const EvdevKeymap> keymap, QString* error)
{
    auto failWith = [&](const QString& message) {
        if (error)
            *error = message;
        Stop();
        return false;
    };
    auto fail = [&](const QString& reason) {
        return failWith(QStringLiteral("Quillo cannot watch the keyboard: %1").arg(reason));
    };
    window = target;
    msg = message;
    folder = deviceFolder;
    simulated = simulatedFolder;
    if (!QFileInfo(folder).isDir())
        return fail(QStringLiteral("there is no input device folder %1.").arg(folder));
    inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd < 0 || ::inotify_add_watch(inotifyFd, folder.toLocal8Bit().constData(), kFolderEvents) < 0)
        return fail(QStringLiteral("cannot follow the devices in %1 (%2).")
                        .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(QStringLiteral("no pipe."));
    translator = std::make_unique<EvdevKeyTranslator>(std::move(keymap), CharacterLocale());

    // Watching first, then listing: a device added in between is seen twice
    // at worst, and opened once.
    for (const QString& name : Candidates(folder))
        OpenDevice(name);
    // Devices there but none allowed: the monitor would see nothing.
    if (devices.empty() && deniedAtStart)
        return failWith(DeviceAccess::InputGroupAdvice(folder));
    firstLook = false;

    stopping = false;
    reader = std::thread([this] { Run(); });
    // Named, so that a thread left behind can be told apart from others.
    pthread_setname_np(reader.native_handle(), kThreadName);
    return true;
}

void EvdevMonitor::Stop()
{
    if (reader.joinable() && reader.get_id() == std::this_thread::get_id()) {
        // An exit handler running on this very thread: it cannot wait for
        // itself, and the process is ending anyway.
        reader.detach();
        return;
    }
    if (reader.joinable()) {
        stopping = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &wake, 1);
        reader.join();
    }
    std::lock_guard<std::mutex> lock(mutex);
    // Closing the devices would end the grabs as well; letting go first
    // gives the desktop back the releases they took.
    if (holding)
        Ungrab(false);
    held.clear();
    devices.clear();
    unreadable.clear();
    for (int* fd : {&inotifyFd, &wakePipe[0], &wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    window = nullptr;
}

void EvdevMonitor::SetKeymap(std::shared_ptr<const EvdevKeymap> keymap)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (translator)
        translator->SetKeymap(std::move(keymap));
}

QString EvdevMonitor::Line(const EvdevDevice& device)
{
    QString kind = device.IsKeyboard() ? QStringLiteral("keyboard") : QStringLiteral("pointer");
    if (device.IsKeyboard() && device.IsPointer())
        kind = QStringLiteral("keyboard+pointer");
    return kind + QLatin1Char(' ') + device.Path();
}

QStringList EvdevMonitor::Devices() const
{
    std::lock_guard<std::mutex> lock(mutex);
    QStringList lines;
    for (const auto& [name, device] : devices)
        lines << Line(*device);
    for (const auto& [name, reason] : unreadable)
        lines << QStringLiteral("unreadable %1 (%2)").arg(QDir(folder).filePath(name), reason);
    return lines;
}

QStringList EvdevMonitor::Scan(const QString& folder, bool simulated, int* keyboards)
{
    QStringList lines;
    if (keyboards)
        *keyboards = 0;
    for (const QString& name : Candidates(folder)) {
        int errorNumber = 0;
        const QString path = QDir(folder).filePath(name);
        const std::unique_ptr<EvdevDevice> device = EvdevDevice::Open(path, simulated, &errorNumber);
        if (device) {
            lines << Line(*device);
            if (keyboards && device->IsKeyboard())
                ++*keyboards;
        } else if (errorNumber != 0) {
            lines << QStringLiteral("unreadable %1 (%2)").arg(path, QString::fromLocal8Bit(std::strerror(errorNumber)));
        }
    }
    return lines;
}

void EvdevMonitor::OpenDevice(const QString& name)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (devices.count(name))
        return;
    int errorNumber = 0;
    std::unique_ptr<EvdevDevice> device = EvdevDevice::Open(QDir(folder).filePath(name), simulated, &errorNumber);
    if (!device) {
        // A node udev has just made may become readable a moment later:
        // the change of its permissions brings it back here.
        if (errorNumber != 0)
            unreadable[name] = QString::fromLocal8Bit(std::strerror(errorNumber));
        if ((errorNumber == EACCES || errorNumber == EPERM) && firstLook)
            deniedAtStart = true;
        return;
    }
    unreadable.erase(name);
    devices[name] = std::move(device);
}

void EvdevMonitor::CloseDevice(const QString& name)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = devices.find(name);
    if (found != devices.end()) {
        ReleaseHeldKeys(*found->second);
        devices.erase(found);
    }
    unreadable.erase(name);
}

void EvdevMonitor::ReleaseHeldKeys(EvdevDevice& device)
{
    // As if the keys came up: a Shift held on a keyboard pulled out must
    // not shift what the other keyboards type.
    const std::set<unsigned> held = device.HeldKeys();
    for (unsigned code : held)
        OnKey(device, code, kKeyReleased);
}

void EvdevMonitor::ReadDevice(const QString& name)
{
    bool gone = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = devices.find(name);
        if (found == devices.end())
            return;
        EvdevDevice& device = *found->second;
        gone = !device.ReadAvailable([&](unsigned code, int value) { OnKey(device, code, value); });
        if (gone) {
            ReleaseHeldKeys(device);
            devices.erase(found);
        }
    }
    // A FIFO whose writer left is open again at once for the next writer; a
    // device node that went away is back only when it is made again.
    if (gone && simulated)
        OpenDevice(name);
}

void EvdevMonitor::OnKey(EvdevDevice& device, unsigned code, int value)
{
    if (device.Grabbed())
        KeepKey(device, code, value);
    else
        PassKey(device, code, value);
}

void EvdevMonitor::PassKey(EvdevDevice& device, unsigned code, int value)
{
    if (value == kKeyPressed) {
        device.HeldKeys().insert(code);
    } else if (value == kKeyReleased) {
        // A release the monitor gave back to the desktop after a grab: the
        // program had it already.
        if (!device.HeldKeys().erase(code) && device.IsInjectedRelease(code))
            return;
    } else if (value != kKeyRepeated) {
        return;
    }
    Post(device.IsKeyboard(), code, value);
}

void EvdevMonitor::KeepKey(EvdevDevice& device, unsigned code, int value)
{
    // The desktop never sees a key held here, so neither may the program
    // see it repeat: once sent on, the key types once.
    if (value == kKeyRepeated)
        return;
    if (value == kKeyReleased && device.DownAtGrab().erase(code)) {
        // Pressed before the hold: the program had the press, and the
        // engine counts the modifiers; the desktop gets the release when
        // the grab ends.
        device.HeldKeys().erase(code);
        device.TakenReleases().insert(code);
        Post(device.IsKeyboard(), code, value);
        return;
    }
    if (value == kKeyPressed)
        device.HeldKeys().insert(code);
    else if (value != kKeyReleased || !device.HeldKeys().erase(code))
        return;
    // A keyboard sends on keys only; a button on a keyboard that is a
    // pointer too cannot follow them.
    if (ButtonKey(code) || !device.IsKeyboard())
        return;
    held.push_back({code, value == kKeyPressed});
    if (replaying)
        Post(true, code, value);
}

void EvdevMonitor::Post(bool keyboard, unsigned code, int value)
{
    if (const int button = ButtonKey(code)) {
        if (value == kKeyPressed)
            MessageLayer::PostMessage(window, msg, quintptr(button), 0);
        return;
    }
    // Keys only from keyboards: mice and power buttons have keys of their own.
    if (!keyboard || code > EvdevKeymap::kMaxEvdevCode || !translator)
        return;
    qintptr flags = 0;
    int key = 0;
    if (value == kKeyPressed || value == kKeyRepeated) {
        // A held key repeating arrives as one more key-down, as it does from
        // the X11 monitor: the application types it again, and the buffer
        // must not miss it (a missed repeat could make "siiig" look like "sig").
        const EvdevKeyTranslator::Typed typed =
            value == kKeyPressed ? translator->Press(code) : translator->Repeat(code);
        key = typed.virtualKey;
        flags |= KeyboardHook::TypedBits(typed.character);
        if (typed.layoutChanged)
            flags |= KeyboardHook::kLayoutChangedFlag;
    } else {
        key = translator->Release(code);
        flags |= KeyboardHook::kReleasedFlag;
    }
    // The key's own number, for the program to send it again after a hold.
    if (code + kXkbOffset <= unsigned(KeyboardHook::kKeycodeMask >> KeyboardHook::kKeycodeShift))
        flags |= (qintptr(code + kXkbOffset) << KeyboardHook::kKeycodeShift) & KeyboardHook::kKeycodeMask;
    if (key != 0)
        MessageLayer::PostMessage(window, msg, quintptr(key), flags);
}

void EvdevMonitor::PostHoldMark()
{
    MessageLayer::PostMessage(window, msg, 0, KeyboardHook::kHoldMarkFlag);
}

bool EvdevMonitor::Hold(int limitMs)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (holding)
        return true;
    held.clear();
    replaying = false;
    std::vector<EvdevDevice*> grabbed;
    for (const auto& [name, device] : devices)
        if (device->IsKeyboard() && !device->IsOwnOutput() && device->Grab(true))
            grabbed.push_back(device.get());
    if (grabbed.empty())
        return false;
    // Records already waiting were sent before the grab: the programs have
    // them too.
    for (EvdevDevice* device : grabbed) {
        device->ReadAvailable([&](unsigned code, int value) { PassKey(*device, code, value); });
        device->DownAtGrab() = device->HeldKeys();
        device->TakenReleases().clear();
    }
    PostHoldMark();
    holding = true;
    holdLimit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    // The reader waits no longer than the limit from now on.
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &wake, 1);
    return true;
}

EvdevMonitor::Keys EvdevMonitor::ReplayHeld(const Keys& replayFirst)
{
    std::lock_guard<std::mutex> lock(mutex);
    // From this mark on, what the monitor posts is typing again: the keys
    // are about to reach the program.
    PostHoldMark();
    Keys keys;
    // Modifiers the user held since before the hold: the desktop has them
    // down on the keyboard, not on the one the keys are sent on with.
    if (!replayFirst.empty() || !held.empty()) {
        for (const auto& [name, device] : devices)
            for (unsigned code : device->DownAtGrab())
                if (IsModifier(code))
                    keys.push_back({code + kXkbOffset, true});
    }
    for (const auto& [keycode, down] : replayFirst) {
        if (keycode < kXkbOffset)
            continue;
        Post(true, keycode - kXkbOffset, down ? kKeyPressed : kKeyReleased);
        keys.push_back({keycode, down});
    }
    for (const auto& [code, down] : held) {
        Post(true, code, down ? kKeyPressed : kKeyReleased);
        keys.push_back({code + kXkbOffset, down});
    }
    held.clear();
    replaying = holding;
    return keys;
}

EvdevMonitor::Keys EvdevMonitor::EndHold()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (holding)
        Ungrab(true);
    Keys keys;
    for (const auto& [code, down] : held)
        keys.push_back({code + kXkbOffset, down});
    held.clear();
    replaying = false;
    return keys;
}

void EvdevMonitor::Ungrab(bool readBack)
{
    for (const auto& [name, device] : devices) {
        if (!device->Grabbed())
            continue;
        // What the grab has delivered is ours alone; what comes after it
        // ends reaches the desktop too. (A key in the moment between the two
        // cannot be told apart: the kernel marks no boundary.)
        if (readBack)
            device->ReadAvailable([&](unsigned code, int value) { KeepKey(*device, code, value); });
        device->Grab(false);
        for (unsigned code : device->TakenReleases())
            device->InjectRelease(code);
        device->TakenReleases().clear();
        device->DownAtGrab().clear();
    }
    holding = false;
}

int EvdevMonitor::MsToHoldLimit() const
{
    if (!holding)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(holdLimit - std::chrono::steady_clock::now());
    return int(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

void EvdevMonitor::HandleFolderEvents()
{
    alignas(inotify_event) char buffer[kInotifyBufferSize];
    for (;;) {
        const ssize_t count = ::read(inotifyFd, buffer, sizeof buffer);
        if (count <= 0)
            return;
        for (ssize_t offset = 0; offset < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->len == 0)
                continue;
            const QString name = QString::fromLocal8Bit(event->name);
            if (event->mask & (IN_DELETE | IN_MOVED_FROM)) {
                CloseDevice(name);
            } else if (event->mask & (IN_CREATE | IN_MOVED_TO | IN_ATTRIB)) {
                OpenDevice(name);
                ReadDevice(name);
            } else if (event->mask & (IN_MODIFY | IN_CLOSE_WRITE)) {
                // A recording that grew; FIFOs and nodes are read when poll says.
                bool recording = false;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    const auto found = devices.find(name);
                    recording = found != devices.end() && found->second->Kind() == EvdevDevice::Source::Recording;
                }
                if (recording)
                    ReadDevice(name);
            }
        }
    }
}

void EvdevMonitor::Run()
{
    // Recordings already there when the monitor started.
    for (const QString& name : Candidates(folder))
        ReadDevice(name);
    std::vector<pollfd> fds;
    std::vector<QString> names;
    for (;;) {
        fds.assign({{wakePipe[0], POLLIN, 0}, {inotifyFd, POLLIN, 0}});
        names.assign(2, QString());
        int timeoutMs = -1;
        {
            std::lock_guard<std::mutex> lock(mutex);
            // A hold the program never ended (its thread stalled) ends here.
            if (holding && MsToHoldLimit() == 0)
                Ungrab(true);
            timeoutMs = MsToHoldLimit();
            for (const auto& [name, device] : devices) {
                // A file is always readable: its growth comes through inotify.
                if (device->Kind() == EvdevDevice::Source::Recording)
                    continue;
                fds.push_back({device->Descriptor(), POLLIN, 0});
                names.push_back(name);
            }
        }
        if (::poll(fds.data(), nfds_t(fds.size()), timeoutMs) < 0)
            continue;
        if (fds[0].revents) {
            if (stopping)
                return;
            char drained[16];
            while (::read(wakePipe[0], drained, sizeof drained) > 0) {
            }
        }
        for (size_t i = 2; i < fds.size(); ++i)
            if (fds[i].revents)
                ReadDevice(names[i]);
        if (fds[1].revents)
            HandleFolderEvents();
    }
}
