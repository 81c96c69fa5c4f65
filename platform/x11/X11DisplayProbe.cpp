#include "platform/x11/X11DisplayProbe.h"

#include <X11/Xlib.h>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

QString X11DisplayProbe::Problem(const QString& displayName, int timeoutMs)
{
    // The connection is made on a thread of its own so that a server that
    // never answers cannot hold the start; that thread is then left behind,
    // and the process ends soon after with the answer given here.
    auto opened = std::make_shared<std::promise<bool>>();
    std::future<bool> answer = opened->get_future();
    const QByteArray name = displayName.toLocal8Bit();
    std::thread([opened, name] {
        Display* display = XOpenDisplay(name.constData());
        if (display)
            XCloseDisplay(display);
        opened->set_value(display != nullptr);
    }).detach();
    if (answer.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
        return QStringLiteral("the X display \"%1\" (DISPLAY) does not answer; the tray program needs a desktop. "
                              "See quillo --help for what works without one.")
            .arg(displayName);
    if (!answer.get())
        return QStringLiteral("cannot connect to the X display \"%1\" (DISPLAY): no X server is there, or it does not let Quillo in; "
                              "the tray program needs a desktop. See quillo --help for what works without one.")
            .arg(displayName);
    return QString();
}
