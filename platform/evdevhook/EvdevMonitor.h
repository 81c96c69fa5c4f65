#pragma once

#include "platform/evdevhook/EvdevKeymap.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

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

private:
    void Run();
    void OpenDevice(const QString& name);
    void CloseDevice(const QString& name);
    void ReadDevice(const QString& name);
    void HandleFolderEvents();
    void OnKey(EvdevDevice& device, unsigned code, int value);
    void ReleaseHeldKeys(EvdevDevice& device);
    static QString Line(const EvdevDevice& device);

    QObject* window = nullptr;
    unsigned msg = 0;
    QString folder;
    bool simulated = false;
    int inotifyFd = -1;
    int wakePipe[2] = {-1, -1};
    std::thread reader;

    mutable std::mutex mutex; // guards the fields below against other threads
    std::map<QString, std::unique_ptr<EvdevDevice>> devices; // by file name
    std::map<QString, QString> unreadable;                   // file name -> reason
    bool firstLook = true;      // the devices there at the start are being opened
    bool deniedAtStart = false; // one of them may not be read
    std::unique_ptr<EvdevKeyTranslator> translator;
};
