#pragma once

#include "store/Snippet.h"

#include <QWidget>
#include <functional>

class QKFilter;
class QListView;
class SnippetPickerModel;

// A small window to find a snippet by what it says rather than by its
// abbreviation: a search field over the list of matching snippets. It works
// from the keyboard alone: typing filters, Up/Down and Page Up/Down move,
// Enter chooses, Escape (or another window taking the keyboard) closes
// without choosing. The search field keeps the keyboard all along, so a
// screen reader hears the field and the list's current row.
class SnippetPicker : public QWidget
{
public:
    static constexpr int kWidthPx = 360;
    static constexpr int kHeightPx = 280;
    static constexpr int kMarginPx = 8;
    // From the top of the screen, where a glance finds it first.
    static constexpr double kScreenTopShare = 0.25;

    explicit SnippetPicker(QWidget* parent = nullptr);
    ~SnippetPicker() override;

    // Lists the snippets with an empty search field and shows the window
    // with the keyboard in the field.
    void Open(const SnippetCollection& snippets);

    // The chosen snippet, after the window has hidden.
    std::function<void(const SnippetPtr&)> onChosen;
    // Closed without a choice, after the window has hidden.
    std::function<void()> onCancelled;

    QString FilterText() const;
    int ListedCount() const;
    // The snippet on the current row, or null when nothing is listed.
    SnippetPtr Current() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Filter(const QString& text);
    void MoveCurrent(int rows);
    void Choose();
    void Cancel();

    QKFilter* txtSearch = nullptr;
    QListView* lstSnippets = nullptr;
    SnippetPickerModel* model = nullptr;
    bool wasActive = false; // only a window that had the keyboard can lose it
};
