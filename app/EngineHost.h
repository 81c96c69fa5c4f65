#pragma once

#include "app/ShellCommands.h"

// What the expansion engine asks of the main window around it.
class EngineHost
{
public:
    virtual ~EngineHost() = default;
    // Starts (true) or stops (false) the suggestion list's timer; stopping
    // and starting again restarts its interval.
    virtual void ToggleTimer(bool value) = 0;
    // Moves the suggestion list out of sight.
    virtual void ParkFormMsg() = 0;
    // An expansion added to the usage counters.
    virtual void CountersChanged() = 0;
    // An expansion has ended (its paste keys sent, or given up).
    virtual void ExpansionFinished() {}
    // The snippet picker's hot key was pressed.
    virtual void PickerKeyPressed() {}
    // A snippet with fill-in fields was triggered: ask for them (see
    // ShellCommands::AskFields). False: nobody can ask, the defaults serve.
    virtual bool AskFields(const QString& snippetName, const QList<FillInField>& fields,
                           ShellCommands::FieldsFilled filled)
    {
        (void)snippetName, (void)fields, (void)filled;
        return false;
    }
};
