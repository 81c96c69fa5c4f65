#pragma once

#include "app/engine/FillInField.h"

#include <QList>
#include <QMap>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QKCombo;
class QKCommonButton;
class QKText;
class QLabel;

// The small window that asks for a snippet's fields before anything is
// erased: one row per field, a text box or a drop-down, and Insert and Cancel.
// It works from the keyboard alone: Tab and Shift+Tab move between fields,
// Up and Down step through a field's choices, Enter inserts from any field,
// Escape cancels; another window taking the keyboard cancels too. Each field
// is named after its label for screen readers.
class FillInForm : public QWidget
{
public:
    static constexpr int kWidthPx = 380;
    static constexpr int kMarginPx = 8;
    static constexpr int kRowHeightPx = 26;
    static constexpr int kRowGapPx = 6;
    static constexpr int kLabelWidthPx = 120;
    static constexpr int kButtonWidthPx = 90;
    // Below the caret's line, so the text being typed stays in sight.
    static constexpr int kBelowCaretPx = 4;

    explicit FillInForm(QWidget* parent = nullptr);
    ~FillInForm() override;

    // Builds one row per field and shows the window with the keyboard in
    // the first field: beside near (the caret, in screen pixels) when it
    // is known, else in the middle of the screen.
    void Open(const QString& snippetName, const QList<FillInField>& fields, std::optional<QPoint> near);

    // Label → value as the rows stand now.
    QMap<QString, QString> Answers() const;
    int FieldCount() const { return int(rows.size()); }
    // The widget that takes the keyboard for row i (for tests and the focus chain).
    QWidget* FieldWidget(int i) const;

    // Inserted: the answers, after the window has hidden.
    std::function<void(const QMap<QString, QString>&)> onFilled;
    // Closed without inserting, after the window has hidden.
    std::function<void()> onCancelled;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Row
    {
        FillInField field;
        QWidget* caption = nullptr;
        QKText* text = nullptr;   // free text
        QKCombo* choice = nullptr; // a choice
    };
    void ClearRows();
    void StepChoice(const Row& row, int step);
    void Fill();
    void Cancel();
    void PlaceNear(std::optional<QPoint> near);

    QLabel* heading = nullptr;
    QList<Row> rows;
    QKCommonButton* cmdInsert = nullptr;
    QKCommonButton* cmdCancel = nullptr;
    bool wasActive = false; // only a window that had the keyboard can lose it
    // Between Open and the answer: hiding deactivates the window, which must
    // not count as a second answer.
    bool open = false;
};
