#include "platform/wayland/UinputDevice.h"

#include "core/QuilloError.h"
#include "platform/wayland/DeviceAccess.h"

#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr const char* kErrorSource = "UinputKeyOutput";
constexpr int kErrorOpen = 3201;
constexpr int kErrorSetup = 3202;
// Every key of a full keyboard (the codes below the mouse buttons).
constexpr unsigned kLastKeyboardKey = 255;
constexpr __u16 kVendor = 0x1209; // the shared vendor number for open projects
constexpr __u16 kProduct = 0x5173;
constexpr __u16 kVersion = 1;

} // namespace

UinputDevice::UinputDevice(const QString& path)
{
    fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        DeviceAccess::Places places = DeviceAccess::ForSession().PlacesOf();
        places.uinputPath = path;
        const QString advice = DeviceAccess(places).UinputProblem();
        throw QuilloError(kErrorOpen, kErrorSource,
                          advice.isEmpty() ? QStringLiteral("Quillo cannot open %1: %2.")
                                                 .arg(path, QString::fromLocal8Bit(std::strerror(reason)))
                                           : advice);
    }
    uinput_setup setup = {};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = kVendor;
    setup.id.product = kProduct;
    setup.id.version = kVersion;
    std::strncpy(setup.name, kDeviceName, UINPUT_MAX_NAME_SIZE - 1);
    bool ok = ::ioctl(fd, UI_SET_EVBIT, EV_KEY) == 0 && ::ioctl(fd, UI_SET_EVBIT, EV_SYN) == 0;
    for (unsigned code = 1; ok && code <= kLastKeyboardKey; ++code)
        ok = ::ioctl(fd, UI_SET_KEYBIT, code) == 0;
    ok = ok && ::ioctl(fd, UI_DEV_SETUP, &setup) == 0 && ::ioctl(fd, UI_DEV_CREATE) == 0;
    if (!ok) {
        const int reason = errno;
        ::close(fd);
        fd = -1;
        throw QuilloError(kErrorSetup, kErrorSource,
                          QStringLiteral("Quillo cannot make its virtual keyboard on %1: %2.")
                              .arg(path, reason == ENOTTY ? QStringLiteral("it is not a uinput device")
                                                          : QString::fromLocal8Bit(std::strerror(reason))));
    }
    QThread::msleep(kDeviceSettleMs);
}

UinputDevice::~UinputDevice()
{
    if (fd >= 0) {
        ::ioctl(fd, UI_DEV_DESTROY);
        ::close(fd);
    }
}
