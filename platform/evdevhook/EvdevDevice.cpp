#include "platform/evdevhook/EvdevDevice.h"

#include "platform/evdevhook/EvdevRecords.h"
#include "platform/wayland/UinputDevice.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kKeyboardSuffix = "-event-kbd";
constexpr const char* kPointerSuffix = "-event-mouse";
constexpr size_t kReadChunk = 64 * sizeof(input_event);

// A keyboard types letters: power buttons, lid switches and remote controls
// also have EV_KEY but not these.
bool HasLetterKeys(libevdev* device)
{
    for (unsigned code : {KEY_A, KEY_S, KEY_Z, KEY_SPACE, KEY_ENTER})
        if (!libevdev_has_event_code(device, EV_KEY, code))
            return false;
    return true;
}

} // namespace

bool EvdevDevice::IsSimulatedName(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(kKeyboardSuffix)) || fileName.endsWith(QLatin1String(kPointerSuffix));
}

std::unique_ptr<EvdevDevice> EvdevDevice::Open(const QString& path, bool simulated, int* errorNumber)
{
    if (errorNumber)
        *errorNumber = 0;
    struct stat info = {};
    const QByteArray local = path.toLocal8Bit();
    if (::stat(local.constData(), &info) != 0)
        return nullptr;
    const QString name = QFileInfo(path).fileName();
    Source source = Source::Evdev;
    if (S_ISCHR(info.st_mode)) {
        if (!name.startsWith(QLatin1String("event")) && !(simulated && IsSimulatedName(name)))
            return nullptr;
    } else if (simulated && IsSimulatedName(name) && (S_ISFIFO(info.st_mode) || S_ISREG(info.st_mode))) {
        source = S_ISFIFO(info.st_mode) ? Source::Fifo : Source::Recording;
    } else {
        return nullptr;
    }

    // Non-blocking: a FIFO without a writer opens at once and reads nothing.
    // A node is opened for writing too where allowed, to give the desktop
    // back a release a grab took (InjectRelease); a FIFO never is, as it
    // would then never see its writer leave.
    int fd = -1;
    bool writable = false;
    if (source == Source::Evdev) {
        fd = ::open(local.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        writable = fd >= 0;
    }
    if (fd < 0)
        fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errorNumber)
            *errorNumber = errno;
        return nullptr;
    }
    std::unique_ptr<EvdevDevice> device(new EvdevDevice);
    device->path = path;
    device->fd = fd;
    device->source = source;
    device->writable = writable;
    libevdev* description = nullptr;
    const int result = source == Source::Evdev ? libevdev_new_from_fd(fd, &description) : -ENOTTY;
    if (result == 0) {
        device->keyboard = libevdev_has_event_type(description, EV_KEY) && HasLetterKeys(description);
        device->pointer = libevdev_has_event_code(description, EV_KEY, BTN_LEFT);
        const char* deviceName = libevdev_get_name(description);
        device->ownOutput = deviceName && std::strcmp(deviceName, UinputDevice::kDeviceName) == 0;
        libevdev_free(description);
    } else if (result == -ENOTTY && simulated) {
        // Not an evdev node: a simulated device, known by its name alone.
        device->keyboard = name.endsWith(QLatin1String(kKeyboardSuffix));
        device->pointer = name.endsWith(QLatin1String(kPointerSuffix));
    }
    if (!device->keyboard && !device->pointer)
        return nullptr;
    return device;
}

EvdevDevice::~EvdevDevice()
{
    if (fd >= 0)
        ::close(fd);
}

bool EvdevDevice::Grab(bool on)
{
    if (on == grabbed)
        return true;
    const int result = source == Source::Evdev ? ::ioctl(fd, EVIOCGRAB, on ? 1 : 0)
                                                : ::flock(fd, on ? LOCK_EX : LOCK_UN);
    // A device that refuses to let go is gone: nothing is grabbed any more.
    grabbed = on && result == 0;
    return result == 0;
}

void EvdevDevice::InjectRelease(unsigned code)
{
    if (!writable)
        return;
    const QByteArray records = EvdevRecords::Key(code, 0);
    if (::write(fd, records.constData(), size_t(records.size())) == ssize_t(records.size()))
        injected.insert(code);
}

bool EvdevDevice::ReadAvailable(const KeySink& sink)
{
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            // Nothing more for now; any other error (ENODEV) is a device gone.
            return errno == EAGAIN;
        }
        if (count == 0)
            // End of a file: the recording may grow. End of a FIFO or a
            // device: nobody writes any more.
            return source == Source::Recording;
        pending.append(buffer, count);
        qsizetype used = 0;
        for (; used + qsizetype(sizeof(input_event)) <= pending.size(); used += sizeof(input_event)) {
            input_event event;
            std::memcpy(&event, pending.constData() + used, sizeof event);
            if (event.type == EV_SYN && event.code == SYN_DROPPED) {
                dropped = true;
            } else if (event.type == EV_SYN && event.code == SYN_REPORT) {
                dropped = false;
            } else if (event.type == EV_KEY && !dropped) {
                sink(event.code, event.value);
            }
        }
        pending.remove(0, used);
    }
}
