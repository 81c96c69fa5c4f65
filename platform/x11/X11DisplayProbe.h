#pragma once

#include <QString>

// Whether an X display can be used before the toolkit tries it: Qt aborts
// the process when its connection fails, and waits forever on a server that
// accepts the connection but never answers.
class X11DisplayProbe
{
public:
    // How long a server may take to accept the connection.
    static constexpr int kAnswerTimeoutMs = 5000;

    // "" when the display answers; else why not, in words for the user.
    static QString Problem(const QString& displayName, int timeoutMs = kAnswerTimeoutMs);
};
