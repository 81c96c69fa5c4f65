#include "ui/SettingsShell.h"

#include "app/ExpansionEngine.h"
#include "app/FormMain.h"
#include "controls/DoEvents.h"
#include "ui/FormSetting.h"
#include "ui/FillInForm.h"
#include "ui/SnippetPicker.h"

#include <QElapsedTimer>
#include <QThread>

SettingsShell::~SettingsShell()
{
    if (form.Shell() == this)
        form.SetShellCommands(nullptr);
    delete window.data();
    delete picker.data();
    delete fillIn.data();
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
    if (picker)
        picker->hide();
    if (fillIn)
        fillIn->hide();
    if (window)
        window->CloseForExit();
}

void SettingsShell::ShowPicker()
{
    if (!picker) {
        picker = new SnippetPicker();
        form.formPicker = picker.data();
        picker->onCancelled = [this] { ReturnFocus(pickedFor); };
        picker->onChosen = [this](const SnippetPtr& snippet) {
            ReturnFocus(pickedFor);
            // Pasted into the window that has the keyboard now: an
            // expansion's paste, less the Backspaces.
            if (form.engine)
                form.engine->InsertSnippet(snippet);
        };
    }
    if (picker->isVisible()) {
        // Pressed again: what the user typed there stays.
        picker->raise();
        picker->activateWindow();
        return;
    }
    pickedFor = form.Services().desktop.ForegroundWindow();
    picker->Open(form.snippetMgr.GetMatchedCol(QString()));
}

bool SettingsShell::AskFields(const QString& snippetName, const QList<FillInField>& fields, FieldsFilled filled)
{
    if (!fillIn) {
        fillIn = new FillInForm();
        form.formFillIn = fillIn.data();
    }
    // A second snippet while the first still asks: the first is dropped,
    // as if cancelled, and its abbreviation stays as typed.
    fillIn->onCancelled = [this] { ReturnFocus(askedFor); };
    fillIn->onFilled = [this, filled](const QMap<QString, QString>& answers) {
        ReturnFocus(askedFor);
        QHash<QString, QString> byLabel;
        for (auto it = answers.cbegin(); it != answers.cend(); ++it)
            byLabel.insert(it.key(), it.value());
        filled(byLabel);
    };
    const Desktop& desktop = form.Services().desktop;
    askedFor = desktop.ForegroundWindow();
    const std::optional<QRect> caret = desktop.CaretRect();
    fillIn->Open(snippetName, fields, caret ? std::optional<QPoint>(caret->bottomLeft()) : std::nullopt);
    return true;
}

void SettingsShell::ReturnFocus(Desktop::WindowId window)
{
    Desktop& desktop = form.Services().desktop;
    // Where the program cannot hand the keyboard back (a Wayland session)
    // the compositor does as the picker goes; either way the paste waits
    // for it, as far as the desktop tells which window has it.
    desktop.ActivateWindow(window);
    if (window == 0)
        return;
    QElapsedTimer waited;
    waited.start();
    while (desktop.ForegroundWindow() != window && waited.elapsed() < kFocusReturnWaitMs) {
        DoEvents();
        QThread::msleep(kFocusPollMs);
    }
}
