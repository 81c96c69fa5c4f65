#pragma once

#include "app/ShellCommands.h"

#include <QPointer>

class FormMain;
class FormSetting;

// The tray and snippets menus' way to the settings window: it creates the
// window the first time a command needs it and again after it was closed.
class SettingsShell : public ShellCommands
{
public:
    explicit SettingsShell(FormMain& form) : form(form) {}
    ~SettingsShell() override;

    void ShowSettings(int tab) override;
    void CallSortSnippetList() override;
    void ReloadAllSnippets() override;
    void EnableQKChanged(bool enabled) override;
    void EnablePlaySoundChanged(bool enabled) override;
    void OptionsReloaded() override;
    void CloseWindows() override;

    // The window while it is open, else null.
    FormSetting* Window() const;

private:
    FormMain& form;
    QPointer<FormSetting> window;
};
