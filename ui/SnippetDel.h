#pragma once

#include "controls/QKUserControl.h"
#include "store/Snippet.h"

class QKCommonButton;
class QLabel;

// The delete confirmation of a row: "Delete" Or "Cancel".
class SnippetDel : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "Quillo.SnippetDel")
public:
    static constexpr double kDesignWidth = 3975;
    static constexpr double kDesignHeight = 435;

    explicit SnippetDel(QWidget* parent = nullptr);

    int SetSnippet(const SnippetPtr& aSnippet);
    // As the Cancel button does (Escape in the row).
    void Cancel();
    SnippetPtr CurrentSnippet() const { return currentSnippet; }
    // A row of the list to a screen reader, named after its abbreviation.
    QAccessible::Role AccessibleRole() const override { return QAccessible::ListItem; }
    QString AccessibleName() const override { return currentSnippet ? currentSnippet->snippetString : QString(); }

    QKCommonButton* cmdDel = nullptr;
    QLabel* Label1 = nullptr;
    QKCommonButton* cmdCancel = nullptr;

signals:
    void DeleteClick(const SnippetPtr& aSnippet);
    void CancelClick(const SnippetPtr& aSnippet);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    SnippetPtr currentSnippet;
};
