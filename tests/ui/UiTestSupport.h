#pragma once

#include "app/ShellTestSupport.h"
#include "controls/QKCombo.h"
#include "store/SnippetManager.h"

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
