#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

// Window messages over Qt: a message {msg, wParam, lParam} is posted to a
// window (any QObject) as a Qt event and handed to the window procedure
// installed on it. Installing a procedure returns the one it replaces, which
// the new procedure passes every message on to, so procedures chain.
//
// PostMessage may be called from any thread (the keyboard monitor's reader
// does); everything else belongs to the thread that owns the window.
struct WindowMessage
{
    quint32 msg = 0;
    quintptr wParam = 0;
    qintptr lParam = 0;
};

using WindowProcedure = std::function<qintptr(QObject* window, const WindowMessage& message)>;

class MessageEvent : public QEvent
{
public:
    explicit MessageEvent(const WindowMessage& message);
    static QEvent::Type EventType();
    const WindowMessage message;
};

class MessageLayer
{
public:
    // Message numbers the program uses.
    static constexpr quint32 kUserMessage = 1024;     // the keyboard hook's messages
    static constexpr quint32 kTrayMessage = 1024 + 100; // the tray icon's callback
    static constexpr quint32 kCancelModeMessage = 31;

    // Queues the message; it is handled when the window's thread gets to it.
    static void PostMessage(QObject* window, quint32 msg, quintptr wParam, qintptr lParam);
    // Hands the message to the window's procedure at once and returns its result.
    static qintptr SendMessage(QObject* window, quint32 msg, quintptr wParam, qintptr lParam);

    // Installs a procedure and returns the previous one (the default procedure,
    // which answers 0 to everything, the first time).
    static WindowProcedure SetWindowProc(QObject* window, WindowProcedure procedure);
    static qintptr CallWindowProc(const WindowProcedure& procedure, QObject* window, const WindowMessage& message);
    static qintptr DefaultWindowProc(QObject* window, const WindowMessage& message);
};
