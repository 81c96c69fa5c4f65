#include "core/MessageLayer.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

// Lives as a child of the window: holds its current procedure and turns
// posted MessageEvents into procedure calls.
class MessageDispatcher : public QObject
{
public:
    static constexpr const char* kName = "quillo_message_dispatcher";

    explicit MessageDispatcher(QObject* window) : QObject(window), procedure(&MessageLayer::DefaultWindowProc)
    {
        setObjectName(kName);
        window->installEventFilter(this);
    }

    static MessageDispatcher* Of(QObject* window)
    {
        for (QObject* child : window->children())
            if (child->objectName() == QLatin1String(kName))
                if (auto* dispatcher = dynamic_cast<MessageDispatcher*>(child))
                    return dispatcher;
        return new MessageDispatcher(window);
    }

    qintptr Dispatch(QObject* window, const WindowMessage& message)
    {
        // Copied: the procedure may replace itself while it runs.
        const WindowProcedure current = procedure;
        return current(window, message);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != MessageEvent::EventType() || watched != parent())
            return false;
        Dispatch(watched, static_cast<MessageEvent*>(event)->message);
        return true;
    }

    WindowProcedure procedure;
};

} // namespace

MessageEvent::MessageEvent(const WindowMessage& message) : QEvent(EventType()), message(message) {}

QEvent::Type MessageEvent::EventType()
{
    // A fixed number, not a registered one: the keyboard monitor library
    // carries its own copy of this code and must post the same type.
    return static_cast<QEvent::Type>(QEvent::User + 1024);
}

void MessageLayer::PostMessage(QObject* window, quint32 msg, quintptr wParam, qintptr lParam)
{
    QCoreApplication::postEvent(window, new MessageEvent({msg, wParam, lParam}));
}

qintptr MessageLayer::SendMessage(QObject* window, quint32 msg, quintptr wParam, qintptr lParam)
{
    return MessageDispatcher::Of(window)->Dispatch(window, {msg, wParam, lParam});
}

WindowProcedure MessageLayer::SetWindowProc(QObject* window, WindowProcedure procedure)
{
    MessageDispatcher* dispatcher = MessageDispatcher::Of(window);
    WindowProcedure previous = std::move(dispatcher->procedure);
    dispatcher->procedure = procedure ? std::move(procedure) : WindowProcedure(&DefaultWindowProc);
    return previous;
}

qintptr MessageLayer::CallWindowProc(const WindowProcedure& procedure, QObject* window, const WindowMessage& message)
{
    return procedure ? procedure(window, message) : DefaultWindowProc(window, message);
}

qintptr MessageLayer::DefaultWindowProc(QObject*, const WindowMessage&)
{
    return 0;
}
