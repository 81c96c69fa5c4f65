#pragma once

#include "app/ShellCommands.h"

#include "platform/Desktop.h"

#include <QPointer>

class FormMain;
class FormSetting;
class FillInForm;
class SnippetPicker;

// The tray and snippets menus' way to the settings window: it creates the
// window the first time a command needs it and again after it was closed.
// It also opens the snippet picker and inserts its choice where the user
// was typing.
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
    void ShowPicker() override;
    bool AskFields(const QString& snippetName, const QList<FillInField>& fields, FieldsFilled filled) override;

    // How long the picker's choice (or the fill-in window's answers) waits for the window it goes into to
    // have the keyboard again, looking this often; it is pasted then
    // whatever the desktop says, as some never tell.
    static constexpr int kFocusReturnWaitMs = 500;
    static constexpr int kFocusPollMs = 5;

    // The window while it is open, else null.
    FormSetting* Window() const;

private:
    FormMain& form;
    QPointer<FormSetting> window;
    QPointer<SnippetPicker> picker;
    QPointer<FillInForm> fillIn;
    Desktop::WindowId pickedFor = 0; // the window in front when the picker opened
    Desktop::WindowId askedFor = 0;  // the window in front when the fill-in window opened
    void ReturnFocus(Desktop::WindowId window);
};
