#pragma once

#include <QString>

// The message boxes the shell shows, all titled "Quillo". Tests record them
// instead of waiting for a click.
class UserNotifier
{
public:
    enum class Answer { Save, Discard, Cancel };

    virtual ~UserNotifier() = default;
    virtual void Plain(const QString& text) = 0;    // no icon, OK
    virtual void Critical(const QString& text) = 0; // critical-stop icon, OK
    virtual void Warning(const QString& text) = 0;  // a failed user action, OK
    // Work the user typed would be dropped: Save, Discard, and Cancel when
    // mayCancel (the action can still be called off). A notifier with nobody
    // to ask (a picture run, a benchmark) discards, as there is nobody whose
    // typing could be lost.
    virtual Answer AskToSave(const QString& text, bool mayCancel)
    {
        Q_UNUSED(text);
        Q_UNUSED(mayCancel);
        return Answer::Discard;
    }
};
