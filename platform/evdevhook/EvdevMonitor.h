#pragma once

#include "platform/evdevhook/EvdevKeymap.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class EvdevDevice;
class EvdevKeyTranslator;

// Reads every keyboard and pointer device of a device folder on a thread of
// its own and posts each key (and mouse button press) to the window, as the
// X11 monitor does. Devices that come and go are followed through inotify
// on the folder: a device unplugged is dropped and the others keep working;
// one plugged in (again) is read from then on.
class EvdevMonitor
{
public:
    static constexpr const char* kThreadName = "evdevhook";

    EvdevMonitor();
    ~EvdevMonitor();
    EvdevMonitor(const EvdevMonitor&) = delete;
    EvdevMonitor& operator=(const EvdevMonitor&) = delete;

    // folder: the device folder; simulated: it holds simulated devices.
    // keymap: the layout to read keys with. False with the reason when the
    // folder cannot be watched or none of its devices may be read.
    bool Start(QObject* window, unsigned msg, const QString& folder, bool simulated,
               std::shared_ptr<const EvdevKeymap> keymap, QString* error);
    // Stops at once and waits for the thread; closes every device.
    void Stop();

    // Any thread: keys read from now on go through this layout.
    void SetKeymap(std::shared_ptr<const EvdevKeymap> keymap);

    // Any thread: "keyboard /dev/input/event3", "pointer ...", one line per
    // device read, and "unreadable PATH (reason)" for the devices that could
    // not be opened.
    QStringList Devices() const;

    // A fresh look at a folder without a monitor, in the same words.
    static QStringList Scan(const QString& folder, bool simulated, int* keyboards);

    // Holding the user's keys for the length of an expansion. Every
    // keyboard but our own virtual one is grabbed: what the user types
    // reaches no program, only this monitor. Key events already waiting
    // reached the programs too: they are posted, then a hold mark
    // (KeyboardHook::kHoldMarkFlag). Keys read from then on are kept, not
    // posted, and their autorepeat is dropped. The grabs end after limitMs
    // at the latest, should the program not end the hold (its thread
    // stalls); the keys kept wait for ReplayHeld all the same.
    //
    // Keys as the output takes them again: the desktop's key code (XKB,
    // evdev + 8) and true for a press.
    using Keys = std::vector<std::pair<unsigned, bool>>;
    static constexpr unsigned kXkbOffset = 8;
    // False when no keyboard could be grabbed (nothing is held then).
    bool Hold(int limitMs);
    // Posts the second mark, then replayFirst and the keys kept, as typing
    // (they are about to reach the program); gives the keys kept, after
    // presses of the modifiers held since before the hold. The
    // keyboards stay grabbed: keys typed while the caller sends these on
    // are posted and kept for EndHold.
    Keys ReplayHeld(const Keys& replayFirst);
    // Lets every keyboard go and gives the keys kept since ReplayHeld.
    Keys EndHold();

private:
    void Run();
    void OpenDevice(const QString& name);
    void CloseDevice(const QString& name);
    void ReadDevice(const QString& name);
    void HandleFolderEvents();
    // Every key record read: kept while the device is grabbed, else passed on.
    void OnKey(EvdevDevice& device, unsigned code, int value);
    void PassKey(EvdevDevice& device, unsigned code, int value);
    void KeepKey(EvdevDevice& device, unsigned code, int value);
    // The message for one key record, posted in order with the others.
    void Post(bool keyboard, unsigned code, int value);
    void PostHoldMark();
    // With the mutex held: lets the keyboards go, gives the desktop back
    // the releases the grabs took, and reads what they delivered before.
    // readBack false: the monitor is stopping and posts nothing more.
    void Ungrab(bool readBack);
    // Milliseconds poll may wait before the hold's limit (-1: no hold).
    int MsToHoldLimit() const;
    void ReleaseHeldKeys(EvdevDevice& device);
    static QString Line(const EvdevDevice& device);

    QObject* window = nullptr;
    unsigned msg = 0;
    QString folder;
    bool simulated = false;
    int inotifyFd = -1;
    std::atomic<bool> stopping{false}; // the wake pipe ends the reader, else only wakes it
    int wakePipe[2] = {-1, -1};
    std::thread reader;

    mutable std::mutex mutex; // guards the fields below against other threads
    std::map<QString, std::unique_ptr<EvdevDevice>> devices; // by file name
    std::map<QString, QString> unreadable;                   // file name -> reason
    bool firstLook = true;      // the devices there at the start are being opened
    bool deniedAtStart = false; // one of them may not be read
    std::unique_ptr<EvdevKeyTranslator> translator;
    bool holding = false;     // keyboards grabbed
    bool replaying = false;   // the kept keys are being sent on: keys are posted again
    Keys held;                // evdev codes while kept
    std::chrono::steady_clock::time_point holdLimit;
};
