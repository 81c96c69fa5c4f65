#include "ui/SettingsShell.h"

#include "app/FormMain.h"
#include "controls/DoEvents.h"
#include "ui/FormSetting.h"

SettingsShell::~SettingsShell()
{
    if (form.Shell() == this)
        form.SetShellCommands(nullptr);
    delete window.data();
}

FormSetting* SettingsShell::Window() const
{
    return window.data();
}

void SettingsShell::ShowSettings(int tab)
{
    // What was in front before the window comes forward: the Rules section
    // offers to exclude it.
    form.RememberFrontApplication();
    if (!window)
        window = new FormSetting(form);
    window->show();
    window->raise();
    window->activateWindow();
    DoEvents();
    if (window) // the user may have closed it meanwhile
        window->ChangeToTab(qint16(tab));
}

void SettingsShell::CallSortSnippetList()
{
    if (window)
        window->CallSortSnippetList();
}

void SettingsShell::ReloadAllSnippets()
{
    if (window)
        window->ReloadAllSnippets();
}

void SettingsShell::EnableQKChanged(bool enabled)
{
    if (window)
        window->SetEnableCheck(enabled);
}

void SettingsShell::EnablePlaySoundChanged(bool enabled)
{
    if (window)
        window->SetPlaySoundCheck(enabled);
}

void SettingsShell::OptionsReloaded()
{
    if (window)
        window->OptionsReloaded();
}

void SettingsShell::CloseWindows()
{
    if (window)
        window->CloseForExit();
}
