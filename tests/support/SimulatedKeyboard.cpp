#include "support/SimulatedKeyboard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(SimulatedKeyboard::kKeyType == EV_KEY && SimulatedKeyboard::kSyncType == EV_SYN &&
              SimulatedKeyboard::kSyncReport == SYN_REPORT && SimulatedKeyboard::kSyncDropped == SYN_DROPPED);
static_assert(SimulatedKeyboard::kLeftShift == KEY_LEFTSHIFT && SimulatedKeyboard::kCapsLock == KEY_CAPSLOCK &&
              SimulatedKeyboard::kRightAlt == KEY_RIGHTALT && SimulatedKeyboard::kSpace == KEY_SPACE &&
              SimulatedKeyboard::kLeftButton == BTN_LEFT && SimulatedKeyboard::kMiddleButton == BTN_MIDDLE);

namespace {

constexpr int kConnectPollMs = 5;

// The US keyboard, row by row: unshifted and shifted characters per key.
struct UsKey
{
    unsigned code;
    char plain;
    char shifted;
};
constexpr UsKey kUsKeys[] = {
    {KEY_GRAVE, '`', '~'}, {KEY_1, '1', '!'}, {KEY_2, '2', '@'}, {KEY_3, '3', '#'}, {KEY_4, '4', '$'},
    {KEY_5, '5', '%'}, {KEY_6, '6', '^'}, {KEY_7, '7', '&'}, {KEY_8, '8', '*'}, {KEY_9, '9', '('},
    {KEY_0, '0', ')'}, {KEY_MINUS, '-', '_'}, {KEY_EQUAL, '=', '+'}, {KEY_Q, 'q', 'Q'}, {KEY_W, 'w', 'W'},
    {KEY_E, 'e', 'E'}, {KEY_R, 'r', 'R'}, {KEY_T, 't', 'T'}, {KEY_Y, 'y', 'Y'}, {KEY_U, 'u', 'U'},
    {KEY_I, 'i', 'I'}, {KEY_O, 'o', 'O'}, {KEY_P, 'p', 'P'}, {KEY_LEFTBRACE, '[', '{'},
    {KEY_RIGHTBRACE, ']', '}'}, {KEY_BACKSLASH, '\\', '|'}, {KEY_A, 'a', 'A'}, {KEY_S, 's', 'S'},
    {KEY_D, 'd', 'D'}, {KEY_F, 'f', 'F'}, {KEY_G, 'g', 'G'}, {KEY_H, 'h', 'H'}, {KEY_J, 'j', 'J'},
    {KEY_K, 'k', 'K'}, {KEY_L, 'l', 'L'}, {KEY_SEMICOLON, ';', ':'}, {KEY_APOSTROPHE, '\'', '"'},
    {KEY_Z, 'z', 'Z'}, {KEY_X, 'x', 'X'}, {KEY_C, 'c', 'C'}, {KEY_V, 'v', 'V'}, {KEY_B, 'b', 'B'},
    {KEY_N, 'n', 'N'}, {KEY_M, 'm', 'M'}, {KEY_COMMA, ',', '<'}, {KEY_DOT, '.', '>'}, {KEY_SLASH, '/', '?'},
    {KEY_SPACE, ' ', ' '}, {KEY_ENTER, '\n', '\n'}, {KEY_TAB, '\t', '\t'},
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
    input_event record = {};
    record.type = static_cast<__u16>(type);
    record.code = static_cast<__u16>(code);
    record.value = value;
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

QByteArray SimulatedKeyboard::KeyRecords(unsigned code, int value)
{
    return Record(kKeyType, code, value) + Record(kSyncType, kSyncReport, 0);
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
    QStringList lines;
    qsizetype offset = 0;
    for (; offset + qsizetype(sizeof(input_event)) <= bytes.size(); offset += sizeof(input_event)) {
        input_event record;
        std::memcpy(&record, bytes.constData() + offset, sizeof record);
        if (record.type == EV_KEY)
            lines << QStringLiteral("key %1 %2").arg(record.code).arg(record.value);
        else if (record.type == EV_SYN && record.code == SYN_REPORT)
            lines << QStringLiteral("syn");
        else
            lines << QStringLiteral("type %1 code %2 value %3").arg(record.type).arg(record.code).arg(record.value);
    }
    if (offset < bytes.size())
        lines << QStringLiteral("partial");
    return lines;
}
