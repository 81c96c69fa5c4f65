#pragma once

#include "controls/QKUserControl.h"
#include "store/Snippet.h"

class QKContentTip;
class QKDelButton;
class QKEditButton;
class QKSnippetTip;

// The read-only row of the snippet list: the abbreviation, the start of the
// content, an edit and a delete button. What it shows is the bound snippet as
// it was when SetSnippet ran; the pad rebuilds the row to show changes.
class SnippetPreview : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "Quillo.SnippetPreview")
public:
    static constexpr double kDesignWidth = 4005;
    static constexpr double kDesignHeight = 495;

    explicit SnippetPreview(QWidget* parent = nullptr);

    int SetSnippet(const SnippetPtr& aSnippet);
    SnippetPtr CurrentSnippet() const { return currentSnippet; }
    // A row of the list to a screen reader, named after its abbreviation.
    QAccessible::Role AccessibleRole() const override { return QAccessible::ListItem; }
    // How it expands is named after the abbreviation when it is not the usual way.
    QString AccessibleName() const override;
    // "Expands immediately; only in: mousepad; case follows the typing", or
    // "" for a snippet that expands after a delimiter everywhere as stored.
    static QString HowItExpands(const Snippet& snippet);

    QKSnippetTip* txtSnippet = nullptr;
    QKContentTip* txtContent = nullptr;
    QKEditButton* cmdEdit = nullptr;
    QKDelButton* cmdDel = nullptr;

signals:
    void EditClick(const SnippetPtr& aSnippet);
    void DelClick(const SnippetPtr& aSnippet);

private:
    SnippetPtr currentSnippet;
};
