#pragma once

#include "app/engine/FillInField.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

// The settings window as the tray and snippets menus reach it; the main
// window does not own it. Every method does nothing until something
// implements it.
class ShellCommands
{
public:
    virtual ~ShellCommands() = default;
    // Shows the settings window on tab 1 (snippets), 2 (options) or 3 (about).
    virtual void ShowSettings(int tab) { (void)tab; }
    // The snippet order changed: the settings window lists again.
    virtual void CallSortSnippetList() {}
    // Snippets were imported: the settings window, if loaded, lists anew.
    virtual void ReloadAllSnippets() {}
    // An option changed elsewhere: the settings window's check box follows.
    virtual void EnableQKChanged(bool) {}
    virtual void EnablePlaySoundChanged(bool) {}
    // The options were read again from the file (a hand edit).
    virtual void OptionsReloaded() {}
    // Opens the snippet picker, which inserts the chosen snippet into the
    // window that was in front.
    virtual void ShowPicker() {}
    // Asks for a snippet's fill-in fields in a small window beside the
    // caret; once the user has answered and the window in front has the
    // keyboard back, filled gets the answers. Nothing happens when the user
    // cancels. False when no window can be shown.
    using FieldsFilled = std::function<void(const QHash<QString, QString>& answers)>;
    virtual bool AskFields(const QString& snippetName, const QList<FillInField>& fields, FieldsFilled filled)
    {
        (void)snippetName, (void)fields, (void)filled;
        return false;
    }
    // Shutdown: the first-run notice and the settings window close.
    virtual void CloseWindows() {}
};
