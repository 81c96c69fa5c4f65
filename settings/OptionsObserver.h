#pragma once

#include <QString>

// What the program's shell does when an option changes: the tray picture and
// menu check marks, the menu caption, the settings window's check boxes.
class OptionsObserver
{
public:
    virtual ~OptionsObserver() = default;
    virtual void EnableQKChanged(bool enabled) = 0;
    virtual void SwitchQKKeyChanged(const QString& keyName) = 0;
    virtual void EnablePlaySoundChanged(bool enabled) = 0;
};
