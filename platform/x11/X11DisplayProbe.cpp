#include "platform/x11/X11DisplayProbe.h"

#include <X11/Xlib.h>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

X11DisplayProbe::~X11DisplayProbe()
{
    if (connection)
        XCloseDisplay(static_cast<Display*>(connection));
}

QString X11DisplayProbe::Open(const QString& displayName, int timeoutMs)
{
    // The connection is made on a thread of its own so that a server that
    // never answers cannot hold the start; that thread is then left behind,
    // and the process ends soon after with the answer given here. Once the
    // answer is set the thread touches the connection no more.
    auto opened = std::make_shared<std::promise<Display*>>();
    std::future<Display*> answer = opened->get_future();
    const QByteArray name = displayName.toLocal8Bit();
    std::thread([opened, name] { opened->set_value(XOpenDisplay(name.constData())); }).detach();
    if (answer.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
        return QStringLiteral("the X display \"%1\" (DISPLAY) does not answer; the tray program needs a desktop. "
                              "See quillo --help for what works without one.")
            .arg(displayName);
    connection = answer.get();
    if (!connection)
        return QStringLiteral("cannot connect to the X display \"%1\" (DISPLAY): no X server is there, or it does not let Quillo in; "
                              "the tray program needs a desktop. See quillo --help for what works without one.")
            .arg(displayName);
    return QString();
}
