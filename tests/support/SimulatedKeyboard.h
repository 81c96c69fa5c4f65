#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// An input device for machines without any: a FIFO in a device folder, fed
// with the records a kernel input device gives (key press/release and a
// report after each). The keyboard monitor reads such a folder when
// QUILLO_INPUT_DEVICES names it, and tells keyboards from mice by the name.
//
//     QTemporaryDir folder;
//     qputenv("QUILLO_INPUT_DEVICES", folder.path().toLocal8Bit()); // before the hook is set
//     SimulatedKeyboard keyboard(folder.path());     // folder/platform-sim-event-kbd
//     ... set the keyboard hook ...
//     ASSERT_TRUE(keyboard.Connect());                // waits until the monitor has it open
//     keyboard.Type("sig ");                          // US key positions, Shift as needed
//     keyboard.Tap(SimulatedKeyboard::kCapsLock);     // any evdev key code
//     keyboard.Disconnect();                          // the device goes away ...
//     keyboard.Connect();                             // ... and comes back
//
// Kind::Mouse makes "platform-sim-event-mouse", for Click(kLeftButton).
class SimulatedKeyboard
{
public:
    enum class Kind
    {
        Keyboard,
        Mouse
    };

    // evdev key codes the tests use (any other code works as a number).
    static constexpr unsigned kEscape = 1, kBackspace = 14, kTab = 15, kEnter = 28, kLeftCtrl = 29,
                              kLeftShift = 42, kLeftAlt = 56, kSpace = 57, kCapsLock = 58, kRightAlt = 100;
    static constexpr unsigned kLeftButton = 0x110, kRightButton = 0x111, kMiddleButton = 0x112;
    static constexpr int kDefaultWaitMs = 10000;

    // Makes the FIFO (named kind's way unless name is given) in folder.
    explicit SimulatedKeyboard(const QString& folder, Kind kind = Kind::Keyboard, const QString& name = {});
    // Closes and removes the FIFO.
    ~SimulatedKeyboard();
    SimulatedKeyboard(const SimulatedKeyboard&) = delete;
    SimulatedKeyboard& operator=(const SimulatedKeyboard&) = delete;

    QString Path() const { return path; }
    // Opens the FIFO for writing once a reader has it open; false after
    // waitMs without one. Makes the FIFO again if it was removed.
    bool Connect(int waitMs = kDefaultWaitMs);
    // The writer closes: the reader sees the device vanish.
    void Disconnect();
    // The device node disappears (closed and removed).
    void Remove();

    // One key record and the report after it; value 1 press, 0 release,
    // 2 autorepeat. False when the reader is gone.
    bool Key(unsigned code, int value);
    bool Press(unsigned code) { return Key(code, 1); }
    bool Release(unsigned code) { return Key(code, 0); }
    bool Tap(unsigned code) { return Press(code) && Release(code); }
    bool Click(unsigned button) { return Tap(button); }
    // Printable ASCII, Enter and Tab at their US key positions, with Shift
    // where the US layout needs it. False for other characters.
    bool Type(const QString& text);

    // The reader stands for a grab of the device (the desktop sees none of
    // its keys then) with an exclusive lock on the FIFO.
    bool Grabbed() const;
    // As the kernel does while it delivers one key to every reader: keeps a
    // grab from starting until AllowGrab. False (and nothing kept) when the
    // device is grabbed already.
    bool KeepGrabOff();
    void AllowGrab();

    // The US key of an ASCII character and whether it needs Shift.
    static bool KeyOf(char character, unsigned* code, bool* shift);

    // The bytes of one key record and the report after it, for tests that
    // make a device from a file of records; and of any one record.
    static QByteArray KeyRecords(unsigned code, int value);
    static QByteArray Record(unsigned type, unsigned code, int value);
    static constexpr unsigned kSyncType = 0, kKeyType = 1;
    static constexpr unsigned kSyncReport = 0, kSyncDropped = 3;

    // Input records as text, for tests that read what a virtual device was
    // sent: "key CODE VALUE" and "syn" per record, "partial" for bytes left
    // over that make no whole record.
    static QStringList Records(const QByteArray& bytes);

private:
    bool MakeFifo();

    QString path;
    int fd = -1;
};
