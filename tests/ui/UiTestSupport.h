#pragma once

#include "app/ShellTestSupport.h"
#include "controls/QKCombo.h"
#include "controls/Twips.h"
#include "settings/IniFile.h"
#include "store/SnippetManager.h"
#include "ui/FormSetting.h"
#include "ui/SettingsShell.h"
#include "ui/SnippetsPad.h"
#include "controls/QKFilter.h"
#include "controls/QKLineEdit.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// Mouse input through the window, as the pointer delivers it: the widget
// under the middle of `target` gets the press and the release.
inline void ClickOn(QWidget* target, QPoint at = QPoint(-1, -1))
{
    ASSERT_NE(target, nullptr);
    QWidget* window = target->window();
    const QPoint point = at == QPoint(-1, -1) ? target->rect().center() : at;
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, target->mapTo(window, point));
    QCoreApplication::processEvents();
}

// Picks the entry of a drop-down list whose caption starts with `text`.
inline void PickEntry(QKCombo* combo, const QString& text)
{
    for (QAction* entry : combo->PopupMenu()->actions()) {
        if (entry->isVisible() && !entry->isSeparator() && entry->text().startsWith(text)) {
            entry->trigger();
            QCoreApplication::processEvents();
            return;
        }
    }
    ADD_FAILURE() << "no entry " << text.toStdString();
}

inline void Pump()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A real store on a private copy of the program folder (samples sig, today,
// addr, ty) and a recorder of the message boxes.
struct StoreFixture
{
    TempProgramFolder folder;
    SnippetManager store;
    RecordingNotifier notifier;

    explicit StoreFixture(bool withSamples = true) : folder(withSamples)
    {
        store.OpenSetFile(folder.DatabasePath());
    }
    SnippetPtr Add(const QString& abbreviation, const QString& content)
    {
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = content;
        return store.CommitSnippet(snippet);
    }
};

// A loaded main window on fakes, its real store and options on a private
// program folder, and the settings window reached as the tray menu reaches it.
class SettingsWindow : public ::testing::Test
{
protected:
    Shell shell;
    SettingsShell settings{*shell.form};

    void SetUp() override { shell.form->SetShellCommands(&settings); }
    void TearDown() override
    {
        settings.CloseWindows();
        Pump();
        shell.form->SetShellCommands(nullptr);
    }
    FormSetting* Open(int tab)
    {
        settings.ShowSettings(tab);
        Pump();
        FormSetting* window = settings.Window();
        EXPECT_NE(window, nullptr);
        if (window) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        }
        return window;
    }
    SnippetsPad* Pad() { return settings.Window()->oSnippetsPad; }
    template <class T> T* Panel(int row)
    {
        T* panel = qobject_cast<T*>(Pad()->RowPanel(row));
        EXPECT_NE(panel, nullptr) << "row " << row;
        return panel;
    }
    QStringList Rows()
    {
        QStringList shown;
        for (int row = 1; row <= Pad()->RowCount(); ++row)
            shown << Pad()->RowSnippet(row)->snippetString;
        return shown;
    }
    void SearchFor(const QString& text)
    {
        FormSetting* window = settings.Window();
        window->txtSearch->SetText(text);
        QTest::keyClick(window->txtSearch->TextBox(), Qt::Key_Return);
        Pump();
    }
    QString Ini(const QString& key) { return GetIniValue(shell.folder.SettingsPath(), "qk", key); }
    QRectF Area(QWidget* widget) { return Twips::Geometry(widget); }
};
