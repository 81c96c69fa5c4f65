#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <set>

// One input device the monitor reads: an evdev node (a keyboard, a pointer
// or both), or, in a simulated device folder, a FIFO or file of input_event
// records whose name says its kind the way /dev/input/by-path names devices
// ("...-event-kbd", "...-event-mouse"). Opened non-blocking; the desktop
// keeps getting every key unless the device is grabbed (Grab).
class EvdevDevice
{
public:
    enum class Source
    {
        Evdev,    // a device node
        Fifo,     // a simulated device fed through a pipe
        Recording // a simulated device as a file, read as it grows
    };

    // nullptr when the path is not a keyboard or pointer; *errorNumber then
    // holds the errno of a failed open (EACCES: not allowed), else 0.
    // simulated: FIFOs and files count, by their names.
    static std::unique_ptr<EvdevDevice> Open(const QString& path, bool simulated, int* errorNumber);

    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    const QString& Path() const { return path; }
    int Descriptor() const { return fd; }
    Source Kind() const { return source; }
    bool IsKeyboard() const { return keyboard; }
    bool IsPointer() const { return pointer; }

    // Reads what is there and hands over every key record (EV_KEY code and
    // value: 1 press, 0 release, 2 repeat). Returns false when the device
    // is gone (unplugged, or the FIFO's writer closed it).
    using KeySink = std::function<void(unsigned code, int value)>;
    bool ReadAvailable(const KeySink& sink);

    // Keys of this device that are down now, so that a device that goes
    // away in the middle of a press does not leave them down.
    std::set<unsigned>& HeldKeys() { return held; }

    // While grabbed, the device's records reach this descriptor alone: the
    // desktop no longer sees the keys. An evdev node is grabbed with
    // EVIOCGRAB; the kernel lets go of it when the descriptor closes, so a
    // program that is killed cannot leave the keyboard captured. A simulated
    // device stands for the grab with an exclusive lock on its file, which
    // whatever feeds it can look for (a shared lock then fails). False when
    // the device refuses (another program holds it).
    bool Grab(bool on);
    bool Grabbed() const { return grabbed; }
    // Our own virtual keyboard (the uinput output): its keys are ours, never
    // held.
    bool IsOwnOutput() const { return ownOutput; }
    // Keys down when the grab began (the desktop saw them pressed), and
    // those of them let up since (the desktop did not see that).
    std::set<unsigned>& DownAtGrab() { return downAtGrab; }
    std::set<unsigned>& TakenReleases() { return takenReleases; }
    // Sends a key's release through the device itself (an evdev node opened
    // for writing; nothing elsewhere), so that the desktop, which saw the
    // press before a grab took the release, does not keep the key down.
    // The monitor reads it back too: IsInjectedRelease says so once.
    void InjectRelease(unsigned code);
    bool IsInjectedRelease(unsigned code) { return injected.erase(code) > 0; }

    // True for a path whose name marks a simulated device of either kind.
    static bool IsSimulatedName(const QString& fileName);

private:
    EvdevDevice() = default;

    QString path;
    int fd = -1;
    Source source = Source::Evdev;
    bool keyboard = false;
    bool pointer = false;
    QByteArray pending;   // a record cut in two by a read
    bool dropped = false; // the kernel dropped records: skip to the next report
    std::set<unsigned> held;
    bool grabbed = false;
    bool ownOutput = false;
    bool writable = false;
    std::set<unsigned> downAtGrab;
    std::set<unsigned> takenReleases;
    std::set<unsigned> injected;
};
