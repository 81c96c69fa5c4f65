#pragma once

#include <QString>

// The message boxes the shell shows, all titled "Quillo". Tests record them
// instead of waiting for a click.
class UserNotifier
{
public:
    virtual ~UserNotifier() = default;
    virtual void Plain(const QString& text) = 0;    // no icon, OK
    virtual void Critical(const QString& text) = 0; // critical-stop icon, OK
    virtual void Warning(const QString& text) = 0;  // a failed user action, OK
};
