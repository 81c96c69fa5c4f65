#pragma once

#include "platform/win/WinInputMarker.h"
#include "platform/win/keybhook/WinLayoutTranslator.h"

#include <QString>
#include "platform/win/WinApi.h"
#include <bitset>
#include <mutex>
#include <thread>
#include <vector>

class QObject;

// Reads every key and mouse button of the desktop through low-level hooks on
// a thread of its own (the hooks are called on the thread that set them, which
// must pump messages), and posts each to the window as the hook's message.
//
// It also holds the user's keys for the length of an expansion. The hold is
// started and ended by marks sent through the input stream itself (events
// with the marker that never reach a program), so that it takes effect at an
// exact place among the keys: what came before reached the program, what
// comes after is swallowed and kept, while our own marked keys pass. At the
// end the given keys, then the kept ones, are sent on in order with the
// marker; keys typed meanwhile are kept too and follow them.
class WinKeyboardMonitor
{
public:
    // A key to send again: its virtual key (the monitor's key number) and
    // whether it is a press.
    struct RawKey
    {
        unsigned virtualKey = 0;
        bool down = false;
    };

    WinKeyboardMonitor() = default;
    ~WinKeyboardMonitor();
    WinKeyboardMonitor(const WinKeyboardMonitor&) = delete;
    WinKeyboardMonitor& operator=(const WinKeyboardMonitor&) = delete;

    // Sets the hooks; false with the reason when Windows refuses them.
    bool Start(QObject* window, unsigned msg, QString* error);
    // Removes the hooks and waits for the thread; keys still held are sent on.
    void Stop();

    // Any thread. Sends the mark that starts the hold; false when Windows
    // would not take it (then nothing is held).
    bool Hold();
    // Any thread. Sends the mark that ends the hold; replayFirst goes out
    // before the held keys.
    void Release(const std::vector<RawKey>& replayFirst);

private:
    // A key event as the hook saw it, enough to send it again as it came.
    struct Event
    {
        WORD virtualKey = 0;
        WORD scanCode = 0;
        bool extended = false;
        bool down = false;
        bool unicode = false; // another program's typed character (VK_PACKET)
    };
    enum class HoldState { None, Holding, Replaying };

    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE started);
    // On the monitor thread. True when the event is to be swallowed.
    bool OnKey(WPARAM message, const KBDLLHOOKSTRUCT& key);
    void OnMark(WinInputMarker::Kind kind);
    void Post(const Event& event);
    // Sends one round: replayFirst (the first time), the held keys, and the
    // mark that closes the round.
    void ReplayRound();

    QObject* window = nullptr;
    unsigned msg = 0;
    std::thread thread;
    DWORD threadId = 0;
    HHOOK keyboardHook = nullptr;
    HHOOK mouseHook = nullptr;
    QString startError;

    // Monitor thread only.
    WinLayoutTranslator layout;
    std::bitset<256> keysDown; // as the system has them: events that passed
    bool capsLock = false;
    HoldState hold = HoldState::None;
    std::vector<Event> held;
    std::bitset<256> physicalDown; // as the user has them, held ones too: tells repeats
    int replayRounds = 0;

    std::mutex releaseMutex;
    std::vector<RawKey> replayFirst; // guarded by releaseMutex
};
