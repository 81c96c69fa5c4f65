#pragma once

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
};
