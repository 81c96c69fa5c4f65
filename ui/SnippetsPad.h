#pragma once

#include "controls/ControlArray.h"
#include "controls/QKUserControl.h"
#include "store/Snippet.h"
#include "ui/MRGrid.h"

class SnippetDel;
class SnippetEdit;
class SnippetManager;
class SnippetPreview;
class UserNotifier;

// The snippet list of the settings window: one row per snippet, stacked by a
// one-column grid, each row holding a read-only preview, an editor or a
// delete confirmation that the pad swaps as the user clicks. The pad grows to
// the height of all its rows; its container clips and scrolls it.
//
// The pad never touches the store: it keeps the collection it was handed in
// step with its rows and asks its host, through signals, to commit or delete.
//
// Only rows in or near view carry a preview panel. Every other preview row is
// the grid's empty cell with the preview's height, so rows, heights and
// events are those of a list with a panel in every row, at the cost of a
// screenful of panels. Edit and delete rows always keep their panel.
class SnippetsPad : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "Quillo.SnippetsPad")
public:
    enum class RowMode { Preview, Edit, Delete };

    static constexpr qint32 kRowGap = 15;
    static constexpr qint32 kNewRowHeight = 450;
    static constexpr qint32 kColumnWidth = 4000;
    static constexpr qint32 kOriginX = 10;
    static constexpr qint32 kOriginY = 10;
    static constexpr qint32 kBottomMargin = 30; // below the last row
    static constexpr double kPanelWidth = 3975;
    static constexpr double kPreviewHeight = 435;
    static constexpr double kEditHeight = 1410;
    // Without a container the pad counts this much of itself as in view.
    static constexpr double kDefaultViewTwips = 10200;

    SnippetsPad(const SnippetManager& snippetMgr, UserNotifier& notifier, QWidget* parent = nullptr);
    ~SnippetsPad() override;

    // Rows for every snippet, last one at the top. The pad keeps the very
    // collection it is given (the host's) in step with its rows.
    int SetSnippetCollection(SnippetCollection* collection);
    int AddNewSnippet();
    int AddNewSinppetFromSelection();

    // What the rows are, for the host and for tests. Rows count from 1.
    int RowCount() const { return oMRGrid.rowCount(); }
    SnippetPtr RowSnippet(int rowNum) const;
    RowMode Mode(int rowNum) const;
    // The row's panel; a preview row out of view has none.
    QKUserControl* RowPanel(int rowNum) const;
    const SnippetCollection& Snippets() const;
    int NextIndex() const { return nextIndex; }
    int LivePanels() const;
    const MRGrid& Grid() const { return oMRGrid; }
    // Creates the preview panels of the rows now in view (the pad does this
    // itself whenever it moves or grows).
    void ShowRowsInView();
    // The row's panel, made now if the row is a preview out of view.
    QKUserControl* EnsurePanel(int rowNum);
    // The row that holds this widget (a panel or anything inside one); 0
    // for none.
    int RowOfWidget(const QWidget* widget) const;

    // Where Tab goes within the list, row after row: from `from` (a stop
    // inside the list) to the next or previous stop; from nullptr to the
    // first or the last stop of the whole list. nullptr when Tab leaves the
    // list. Panels of rows out of view are made as Tab reaches them.
    QWidget* NextTabStop(QWidget* from, bool next);

    // Edit rows whose fields differ from their snippet, top to bottom.
    QList<SnippetEdit*> UnsavedEdits() const;
    // Saves every one of them as its Save button would; true when none is
    // left unsaved (a refused row stays open with its message shown).
    bool SaveEdits();

signals:
    // The user confirmed a deletion; the row is gone. A host that could not
    // delete the record clears deleted, and the row comes back.
    void DeleteSnippet(const SnippetPtr& aSnippet, bool& deleted);
    // The user saved a row, which shows the preview again. A host that could
    // not commit clears saved, and the row reopens with the user's input.
    void SaveSnippet(const SnippetPtr& aSnippet, bool& saved);
    void SizeChanged(qint32& width, qint32& height);
    void ShowTheControl(qint32& top, qint32& bottom);

protected:
    void showEvent(QShowEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::List; }
    // The rows' panels, top to bottom (the hidden templates are no rows).
    QList<QWidget*> AccessibleChildren() const override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row
    {
        SnippetPtr snippet;
        RowMode mode = RowMode::Preview;
    };
    enum class Reveal { AtOnce, AfterEvents };

    void EnsureGrid();
    void GridResized(qint32& width, qint32& height);
    // The pad's own event pump: user input waits until the row change ends.
    void PadDoEvents();

    SnippetPreview* NewPreview(const SnippetPtr& snippet, int rowNum, Reveal reveal);
    SnippetEdit* NewEdit(const SnippetPtr& snippet, int rowNum);
    SnippetDel* NewDel(const SnippetPtr& snippet, int rowNum);
    void DestroyPanel(QWidget* panel);
    void ReleaseRow(int rowNum);
    void InsertRow(int afterRow, const SnippetPtr& snippet, RowMode mode);
    void RemoveRow(int rowNum);
    void SetRowHeightFor(int rowNum, double panelHeight);
    SnippetPreview* ShowPreviewRow(int rowNum, const SnippetPtr& snippet);
    // After a row change that began with the keyboard in the row: the
    // keyboard goes on in the row's new panel (or the row now in its place).
    void GiveKeyboardTo(QWidget* target);
    void GiveKeyboardToRow(int rowNum);
    SnippetEdit* OpenEditRow(int rowNum, const SnippetPtr& snippet);
    int RemoveFromCollection(const SnippetPtr& snippet);
    int RowOf(QWidget* panel) const;
    SnippetCollection& Collection();

    void OnEditClick(QWidget* panel, const SnippetPtr& snippet);
    void OnDelClick(QWidget* panel, const SnippetPtr& snippet);
    void OnOkClick(SnippetEdit* panel, const SnippetPtr& snippet);
    void OnEditCancel(QWidget* panel, const SnippetPtr& snippet);
    void OnDeleteClick(QWidget* panel, const SnippetPtr& snippet);
    void OnDelCancel(QWidget* panel, const SnippetPtr& snippet);

    const SnippetManager& snippetMgr;
    UserNotifier& notifier;
    MRGrid oMRGrid;
    ControlArray<SnippetPreview>* oSnippetPreview = nullptr;
    ControlArray<SnippetEdit>* oSnippetEdit = nullptr;
    ControlArray<SnippetDel>* oSnippetDel = nullptr;
    QList<Row> rows; // in step with the grid's rows
    SnippetCollection* snippetCol = nullptr;
    SnippetCollection ownCollection; // until the host hands one over
    int nextIndex = 1;
    bool gridReady = false;
    bool changingRows = false;
    bool showingRows = false;
    bool keyboardInRow = false;
    QWidget* watchedContainer = nullptr;
};
