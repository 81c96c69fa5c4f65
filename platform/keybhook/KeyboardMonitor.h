#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <thread>

class LayoutTranslator;

// Reads every key event of the X display through the RECORD extension on a
// thread of its own, with its own connections, and posts each one to the
// window. The thread only posts messages; nothing else crosses over.
class KeyboardMonitor
{
public:
    static constexpr const char* kThreadName = "keybhook";

    KeyboardMonitor();
    ~KeyboardMonitor();

    // Connects and starts reading; false with the reason when it cannot.
    bool Start(QObject* window, unsigned msg, QString* error);
    // Stops at once and waits for the thread; closes every connection.
    void Stop();

    // Called on the reader thread with each recorded event.
    void OnRecorded(void* interceptData);

private:
    struct Connections;
    void Run();
    void RebuildKeyTable();

    QObject* window = nullptr;
    unsigned msg = 0;
    std::unique_ptr<Connections> x;
    std::thread reader;
    int wakePipe[2] = {-1, -1};
    // Set when a connection to the server breaks; the reader then ends.
    std::atomic<bool> lost = false;
    // keycode -> virtual key of the current keyboard mapping.
    std::array<int, 256> keyTable{};
    // The character each press types; follows the mapping like keyTable.
    std::unique_ptr<LayoutTranslator> layout;
};
