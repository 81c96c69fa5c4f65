#include "platform/wayland/UinputEventWriter.h"

#include "core/QuilloError.h"

#include <cerrno>
#include <cstring>
#include <linux/input.h>
#include <unistd.h>

namespace {
constexpr const char* kErrorSource = "UinputKeyOutput";
constexpr int kErrorWrite = 3203;
} // namespace

void UinputEventWriter::Key(unsigned evdevCode, bool down) const
{
    // The kernel stamps the time of records written to uinput.
    input_event records[2] = {};
    records[0].type = EV_KEY;
    records[0].code = static_cast<__u16>(evdevCode);
    records[0].value = down ? 1 : 0;
    records[1].type = EV_SYN;
    records[1].code = SYN_REPORT;
    ssize_t written = 0;
    do
        written = ::write(fd, records, sizeof records);
    while (written < 0 && errno == EINTR);
    if (written != ssize_t(sizeof records))
        throw QuilloError(kErrorWrite, kErrorSource,
                          QStringLiteral("The virtual keyboard refused a key (%1).")
                              .arg(QString::fromLocal8Bit(written < 0 ? std::strerror(errno) : "short write")));
}
