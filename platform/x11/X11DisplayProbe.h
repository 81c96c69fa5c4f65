#pragma once

#include <QString>

// Whether an X display can be used before the toolkit tries it: Qt aborts
// the process when its connection fails, and waits forever on a server that
// accepts the connection but never answers.
//
// The probe's connection stays open until the probe is destroyed: a server
// that resets when its last client leaves (Xvfb, a bare xinit) would
// otherwise be resetting just as the toolkit connects, and refuse it.
class X11DisplayProbe
{
public:
    // How long a server may take to accept the connection.
    static constexpr int kAnswerTimeoutMs = 5000;

    X11DisplayProbe() = default;
    X11DisplayProbe(const X11DisplayProbe&) = delete;
    X11DisplayProbe& operator=(const X11DisplayProbe&) = delete;
    ~X11DisplayProbe();

    // "" when the display answers; else why not, in words for the user.
    QString Open(const QString& displayName, int timeoutMs = kAnswerTimeoutMs);

private:
    // The probe's connection (an Xlib Display), kept out of this header.
    void* connection = nullptr;
};
