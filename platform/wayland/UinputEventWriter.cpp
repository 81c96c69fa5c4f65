#include "platform/wayland/UinputEventWriter.h"

#include "core/QuilloError.h"
#include "platform/evdevhook/EvdevRecords.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr const char* kErrorSource = "UinputKeyOutput";
constexpr int kErrorWrite = 3203;
constexpr int kPressed = 1, kReleased = 0;
} // namespace

void UinputEventWriter::Key(unsigned evdevCode, bool down) const
{
    const QByteArray records = EvdevRecords::Key(evdevCode, down ? kPressed : kReleased);
    ssize_t written = 0;
    do
        written = ::write(fd, records.constData(), size_t(records.size()));
    while (written < 0 && errno == EINTR);
    if (written != records.size())
        throw QuilloError(kErrorWrite, kErrorSource,
                          QStringLiteral("The virtual keyboard refused a key (%1).")
                              .arg(QString::fromLocal8Bit(written < 0 ? std::strerror(errno) : "short write")));
}
