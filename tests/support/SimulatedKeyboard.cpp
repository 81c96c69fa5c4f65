#include "support/SimulatedKeyboard.h"

#include "platform/evdevhook/EvdevRecords.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(SimulatedKeyboard::kKeyType == EvdevRecords::kKeyType &&
              SimulatedKeyboard::kSyncType == EvdevRecords::kSyncType &&
              SimulatedKeyboard::kSyncReport == EvdevRecords::kSyncReport &&
              SimulatedKeyboard::kSyncDropped == EvdevRecords::kSyncDropped);

namespace {

constexpr int kConnectPollMs = 5;

// A key of the US keyboard: its evdev code, unshifted and shifted characters.
struct UsKey
{
    unsigned code;
    char plain;
    char shifted;
};
// Row by row, as on the keyboard.
constexpr UsKey kUsKeys[] = {
    {41, '`', '~'}, {2, '1', '!'}, {3, '2', '@'}, {4, '3', '#'}, {5, '4', '$'}, {6, '5', '%'}, {7, '6', '^'},
    {8, '7', '&'}, {9, '8', '*'}, {10, '9', '('}, {11, '0', ')'}, {12, '-', '_'}, {13, '=', '+'},
    {16, 'q', 'Q'}, {17, 'w', 'W'}, {18, 'e', 'E'}, {19, 'r', 'R'}, {20, 't', 'T'}, {21, 'y', 'Y'},
    {22, 'u', 'U'}, {23, 'i', 'I'}, {24, 'o', 'O'}, {25, 'p', 'P'}, {26, '[', '{'}, {27, ']', '}'},
    {43, '\\', '|'},
    {30, 'a', 'A'}, {31, 's', 'S'}, {32, 'd', 'D'}, {33, 'f', 'F'}, {34, 'g', 'G'}, {35, 'h', 'H'},
    {36, 'j', 'J'}, {37, 'k', 'K'}, {38, 'l', 'L'}, {39, ';', ':'}, {40, '\'', '"'},
    {44, 'z', 'Z'}, {45, 'x', 'X'}, {46, 'c', 'C'}, {47, 'v', 'V'}, {48, 'b', 'B'}, {49, 'n', 'N'},
    {50, 'm', 'M'}, {51, ',', '<'}, {52, '.', '>'}, {53, '/', '?'},
    {SimulatedKeyboard::kSpace, ' ', ' '}, {SimulatedKeyboard::kEnter, '\n', '\n'},
    {SimulatedKeyboard::kTab, '\t', '\t'},
};

QString NameOf(SimulatedKeyboard::Kind kind)
{
    return kind == SimulatedKeyboard::Kind::Keyboard ? QStringLiteral("platform-sim-event-kbd")
                                                     : QStringLiteral("platform-sim-event-mouse");
}

} // namespace

SimulatedKeyboard::SimulatedKeyboard(const QString& folder, Kind kind, const QString& name)
    : path(QDir(folder).filePath(name.isEmpty() ? NameOf(kind) : name))
{
    // A reader that goes away must fail a write, not end the test program.
    std::signal(SIGPIPE, SIG_IGN);
    MakeFifo();
}

SimulatedKeyboard::~SimulatedKeyboard()
{
    Remove();
}

bool SimulatedKeyboard::MakeFifo()
{
    return ::mkfifo(path.toLocal8Bit().constData(), 0600) == 0 || errno == EEXIST;
}

bool SimulatedKeyboard::Connect(int waitMs)
{
    Disconnect();
    if (!MakeFifo())
        return false;
    // Opening for writing without blocking fails (ENXIO) until a reader has
    // the FIFO open: the monitor has seen the device once this succeeds.
    QDeadlineTimer deadline(waitMs);
    for (;;) {
        fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            break;
        if (errno != ENXIO || deadline.hasExpired())
            return false;
        QThread::msleep(kConnectPollMs);
    }
    // From here on writes wait for room instead of failing.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return true;
}

void SimulatedKeyboard::Disconnect()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void SimulatedKeyboard::Remove()
{
    Disconnect();
    ::unlink(path.toLocal8Bit().constData());
}

QByteArray SimulatedKeyboard::Record(unsigned type, unsigned code, int value)
{
    return EvdevRecords::Record(type, code, value);
}

QByteArray SimulatedKeyboard::KeyRecords(unsigned code, int value)
{
    return EvdevRecords::Key(code, value);
}

bool SimulatedKeyboard::Key(unsigned code, int value)
{
    if (fd < 0)
        return false;
    // One write: a reader never sees a key without its report.
    const QByteArray records = KeyRecords(code, value);
    return ::write(fd, records.constData(), size_t(records.size())) == records.size();
}

bool SimulatedKeyboard::KeyOf(char character, unsigned* code, bool* shift)
{
    for (const UsKey& key : kUsKeys) {
        if (key.plain == character || key.shifted == character) {
            *code = key.code;
            *shift = key.plain != character;
            return true;
        }
    }
    return false;
}

bool SimulatedKeyboard::Type(const QString& text)
{
    for (QChar c : text) {
        unsigned code = 0;
        bool shift = false;
        if (c.unicode() > 0x7f || !KeyOf(char(c.unicode()), &code, &shift))
            return false;
        if ((shift && !Press(kLeftShift)) || !Tap(code) || (shift && !Release(kLeftShift)))
            return false;
    }
    return true;
}

QStringList SimulatedKeyboard::Records(const QByteArray& bytes)
{
    return EvdevRecords::Describe(bytes);
}

bool SimulatedKeyboard::Grabbed() const
{
    if (fd < 0 || ::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        if (fd >= 0)
            ::flock(fd, LOCK_UN);
        return false;
    }
    return true;
}

bool SimulatedKeyboard::KeepGrabOff()
{
    return fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
}

void SimulatedKeyboard::AllowGrab()
{
    if (fd >= 0)
        ::flock(fd, LOCK_UN);
}
