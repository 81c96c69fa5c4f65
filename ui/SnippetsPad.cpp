#include "ui/SnippetsPad.h"

#include "controls/Twips.h"
#include "core/QuilloError.h"
#include "ui/SnippetDel.h"
#include "ui/SnippetEdit.h"
#include "ui/SnippetPreview.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKCommonButton.h"
#include "controls/QKLineEdit.h"
#include "controls/QKSnippetEditWin.h"

#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <cmath>

namespace {

constexpr double kPadWidth = 3960;
constexpr double kPadHeight = 5040;
const QColor kPadBackground(224, 224, 224);

// Marks a row change in progress for its whole run, however it ends.
class RowChange
{
public:
    explicit RowChange(bool& flag) : flag(flag), was(flag) { flag = true; }
    ~RowChange() { flag = was; }
    RowChange(const RowChange&) = delete;
    RowChange& operator=(const RowChange&) = delete;

private:
    bool& flag;
    bool was;
};

qint32 Whole(double value)
{
    return Twips::RoundHalfEven(value);
}

} // namespace

SnippetsPad::SnippetsPad(const SnippetManager& snippetMgr, UserNotifier& notifier, QWidget* parent)
    : QKUserControl(parent), snippetMgr(snippetMgr), notifier(notifier)
{
    InitGeometry(QRectF(0, 0, kPadWidth, kPadHeight));
    SetBackColor(kPadBackground);

    // Element 0 of each array is a hidden template, never a row.
    auto* preview0 = new SnippetPreview(this);
    preview0->SetName(QStringLiteral("oSnippetPreview"));
    preview0->Move(0, 0, kPanelWidth, kPreviewHeight);
    preview0->hide();
    oSnippetPreview = new ControlArray<SnippetPreview>(
        preview0, [](SnippetPreview& element0) { return new SnippetPreview(element0.parentWidget()); });

    auto* edit0 = new SnippetEdit(snippetMgr, notifier, this);
    edit0->SetName(QStringLiteral("oSnippetEdit"));
    edit0->Move(0, 0, kPanelWidth, kEditHeight);
    edit0->hide();
    oSnippetEdit = new ControlArray<SnippetEdit>(edit0, [this](SnippetEdit& element0) {
        return new SnippetEdit(this->snippetMgr, this->notifier, element0.parentWidget());
    });

    auto* del0 = new SnippetDel(this);
    del0->SetName(QStringLiteral("oSnippetDel"));
    del0->Move(0, 0, kPanelWidth, kPreviewHeight);
    del0->hide();
    oSnippetDel = new ControlArray<SnippetDel>(
        del0, [](SnippetDel& element0) { return new SnippetDel(element0.parentWidget()); });

    connect(&oMRGrid, &MRGrid::Resize, this, &SnippetsPad::GridResized);
}

SnippetsPad::~SnippetsPad()
{
    if (watchedContainer)
        watchedContainer->removeEventFilter(this);
    delete oSnippetPreview;
    delete oSnippetEdit;
    delete oSnippetDel;
}

void SnippetsPad::EnsureGrid()
{
    if (gridReady)
        return;
    oMRGrid.Init(kOriginX, kOriginY);
    oMRGrid.addCol(kColumnWidth);
    gridReady = true;
}

void SnippetsPad::showEvent(QShowEvent* event)
{
    EnsureGrid();
    if (parentWidget() != watchedContainer) {
        if (watchedContainer)
            watchedContainer->removeEventFilter(this);
        watchedContainer = parentWidget();
        if (watchedContainer)
            watchedContainer->installEventFilter(this);
    }
    QKUserControl::showEvent(event);
    ShowRowsInView();
}

void SnippetsPad::moveEvent(QMoveEvent* event)
{
    QKUserControl::moveEvent(event);
    ShowRowsInView();
}

bool SnippetsPad::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedContainer && event->type() == QEvent::Resize)
        ShowRowsInView();
    return QKUserControl::eventFilter(watched, event);
}

void SnippetsPad::PadDoEvents()
{
    // Paints and timers run; a click on another row waits for this change
    // to finish instead of working on a row number about to go stale.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

SnippetCollection& SnippetsPad::Collection()
{
    return snippetCol ? *snippetCol : ownCollection;
}

const SnippetCollection& SnippetsPad::Snippets() const
{
    return snippetCol ? *snippetCol : ownCollection;
}

SnippetPtr SnippetsPad::RowSnippet(int rowNum) const
{
    oMRGrid.RowHeight(rowNum); // checks the row
    return rows.value(rowNum - 1).snippet;
}

SnippetsPad::RowMode SnippetsPad::Mode(int rowNum) const
{
    oMRGrid.RowHeight(rowNum);
    return rows.value(rowNum - 1).mode;
}

QKUserControl* SnippetsPad::RowPanel(int rowNum) const
{
    return qobject_cast<QKUserControl*>(oMRGrid.getControl(1, rowNum));
}

int SnippetsPad::LivePanels() const
{
    return oSnippetPreview->Count() + oSnippetEdit->Count() + oSnippetDel->Count() - 3;
}

// ---- panels ---------------------------------------------------------------

SnippetPreview* SnippetsPad::NewPreview(const SnippetPtr& snippet, int rowNum, Reveal reveal)
{
    SnippetPreview* panel = oSnippetPreview->Load(++nextIndex);
    connect(panel, &SnippetPreview::EditClick, this,
            [this, panel](const SnippetPtr& s) { OnEditClick(panel, s); });
    connect(panel, &SnippetPreview::DelClick, this, [this, panel](const SnippetPtr& s) { OnDelClick(panel, s); });
    // The row holds its panel before any events run, so the rows-in-view
    // pass never puts a second preview into the same cell.
    oMRGrid.appendControl(panel, 1, rowNum);
    if (reveal == Reveal::AfterEvents) {
        panel->show();
        PadDoEvents();
        PadDoEvents();
        panel->SetSnippet(snippet);
    } else {
        panel->SetSnippet(snippet);
        panel->show();
    }
    return panel;
}

SnippetEdit* SnippetsPad::NewEdit(const SnippetPtr& snippet, int rowNum)
{
    SnippetEdit* panel = oSnippetEdit->Load(++nextIndex);
    connect(panel, &SnippetEdit::OkClick, this, [this, panel](const SnippetPtr& s) { OnOkClick(panel, s); });
    connect(panel, &SnippetEdit::CancelClick, this, [this, panel](const SnippetPtr& s) { OnEditCancel(panel, s); });
    oMRGrid.appendControl(panel, 1, rowNum);
    panel->show();
    PadDoEvents();
    PadDoEvents();
    panel->SetSnippet(snippet);
    return panel;
}

SnippetDel* SnippetsPad::NewDel(const SnippetPtr& snippet, int rowNum)
{
    SnippetDel* panel = oSnippetDel->Load(++nextIndex);
    connect(panel, &SnippetDel::DeleteClick, this, [this, panel](const SnippetPtr& s) { OnDeleteClick(panel, s); });
    connect(panel, &SnippetDel::CancelClick, this, [this, panel](const SnippetPtr& s) { OnDelCancel(panel, s); });
    oMRGrid.appendControl(panel, 1, rowNum);
    panel->show();
    PadDoEvents();
    PadDoEvents();
    panel->SetSnippet(snippet);
    return panel;
}

void SnippetsPad::DestroyPanel(QWidget* panel)
{
    if (!panel)
        return;
    // The keyboard was in this row: it waits on the pad (rather than jumping
    // to some other row as the panel goes) until the row's new panel takes it.
    if (panel->isAncestorOf(QApplication::focusWidget())) {
        setFocus(Qt::OtherFocusReason);
        keyboardInRow = true;
    }
    const int index = ControlArray<SnippetPreview>::IndexOf(panel);
    if (qobject_cast<SnippetPreview*>(panel))
        oSnippetPreview->Unload(index);
    else if (qobject_cast<SnippetEdit*>(panel))
        oSnippetEdit->Unload(index);
    else if (qobject_cast<SnippetDel*>(panel))
        oSnippetDel->Unload(index);
}

// ---- rows -----------------------------------------------------------------

void SnippetsPad::ReleaseRow(int rowNum)
{
    QWidget* panel = oMRGrid.getControl(1, rowNum);
    oMRGrid.releaseControl(1, rowNum);
    DestroyPanel(panel);
}

void SnippetsPad::InsertRow(int afterRow, const SnippetPtr& snippet, RowMode mode)
{
    oMRGrid.addRow(afterRow, kNewRowHeight);
    const int at = afterRow == MRGrid::kAppendRow ? int(rows.size()) : afterRow;
    rows.insert(at, Row{snippet, mode});
}

void SnippetsPad::RemoveRow(int rowNum)
{
    oMRGrid.delRow(rowNum);
    rows.removeAt(rowNum - 1);
}

void SnippetsPad::SetRowHeightFor(int rowNum, double panelHeight)
{
    oMRGrid.resizeRowHeight(rowNum, Whole(panelHeight) + kRowGap);
}

int SnippetsPad::RowOf(QWidget* panel) const
{
    try {
        const int rowNum = MRGrid::getControlRowNum(panel);
        return oMRGrid.getControl(1, rowNum) == panel ? rowNum : 0;
    } catch (const QuilloError&) {
        return 0; // a panel that is no longer in a row
    }
}

int SnippetsPad::RemoveFromCollection(const SnippetPtr& snippet)
{
    SnippetCollection& collection = Collection();
    for (int i = 0; i < collection.size(); ++i) {
        if (collection[i]->guidString == snippet->guidString) {
            collection.removeAt(i);
            return i;
        }
    }
    return -1;
}

SnippetPreview* SnippetsPad::ShowPreviewRow(int rowNum, const SnippetPtr& snippet)
{
    ReleaseRow(rowNum);
    rows[rowNum - 1].mode = RowMode::Preview;
    SnippetPreview* preview = NewPreview(snippet, rowNum, Reveal::AfterEvents);
    SetRowHeightFor(rowNum, preview->Height());
    oMRGrid.Rearrange();
    return preview;
}

SnippetEdit* SnippetsPad::OpenEditRow(int rowNum, const SnippetPtr& snippet)
{
    ReleaseRow(rowNum);
    rows[rowNum - 1].mode = RowMode::Edit;
    SnippetEdit* edit = NewEdit(snippet, rowNum);
    SetRowHeightFor(rowNum, edit->Height());
    oMRGrid.Rearrange();
    PadDoEvents();
    qint32 top = Whole(edit->Top());
    qint32 bottom = Whole(edit->Top() + edit->Height());
    emit ShowTheControl(top, bottom);
    return edit;
}

// ---- what the host calls --------------------------------------------------

int SnippetsPad::SetSnippetCollection(SnippetCollection* collection)
{
    EnsureGrid();
    RowChange change(changingRows);
    snippetCol = collection;
    while (oMRGrid.rowCount() > 0) {
        ReleaseRow(1);
        RemoveRow(1);
    }
    // Each snippet goes on top, so the last one ends up as the first row.
    // A preview row gets its panel when it comes into view.
    for (const SnippetPtr& snippet : Collection()) {
        InsertRow(MRGrid::kFirstRow, snippet, RowMode::Preview);
        SetRowHeightFor(1, kPreviewHeight);
    }
    oMRGrid.Rearrange();
    PadDoEvents();
    keyboardInRow = false; // no row keeps its place across a new list
    return 0;
}

int SnippetsPad::AddNewSnippet()
{
    EnsureGrid();
    RowChange change(changingRows);
    auto snippet = std::make_shared<Snippet>();
    Collection().prepend(snippet);
    InsertRow(MRGrid::kFirstRow, snippet, RowMode::Edit);
    SnippetEdit* edit = NewEdit(snippet, 1);
    SetRowHeightFor(1, edit->Height());
    oMRGrid.Rearrange();
    edit->setFocus(Qt::OtherFocusReason);
    return 0;
}

int SnippetsPad::AddNewSinppetFromSelection()
{
    AddNewSnippet();
    if (auto* edit = qobject_cast<SnippetEdit*>(oMRGrid.getControl(1, 1))) {
        edit->SetContentText(QGuiApplication::clipboard()->text());
        edit->SetSnippetFocus();
    }
    return 0;
}

// ---- the grid and the view ------------------------------------------------

void SnippetsPad::GridResized(qint32& width, qint32& height)
{
    SetWidth(width);
    SetHeight(double(height) + kBottomMargin);
    qint32 padWidth = width;
    qint32 padHeight = height + kBottomMargin;
    emit SizeChanged(padWidth, padHeight);
    ShowRowsInView();
}

void SnippetsPad::ShowRowsInView()
{
    // Mid-change the rows and the grid may briefly disagree; the change ends
    // with a Rearrange that comes back here.
    if (!gridReady || showingRows || rows.size() != oMRGrid.rowCount())
        return;
    showingRows = true;
    double viewTop = 0;
    double viewBottom = kDefaultViewTwips;
    if (QWidget* container = parentWidget()) {
        viewTop = Twips::FromPixels(-y());
        viewBottom = viewTop + Twips::FromPixels(container->height());
    }
    // Panels are made a screen ahead and dropped two screens behind, so
    // scrolling back and forth does not rebuild the same rows.
    const double screen = viewBottom - viewTop;
    const double makeTop = viewTop - screen;
    const double makeBottom = viewBottom + screen;
    const double keepTop = viewTop - 2 * screen;
    const double keepBottom = viewBottom + 2 * screen;
    double rowTop = kOriginY;
    for (int rowNum = 1; rowNum <= rows.size(); ++rowNum) {
        const double rowBottom = rowTop + oMRGrid.RowHeight(rowNum);
        if (rows[rowNum - 1].mode == RowMode::Preview) {
            QWidget* panel = oMRGrid.getControl(1, rowNum);
            if (!panel && rowBottom > makeTop && rowTop < makeBottom) {
                SnippetPreview* preview = NewPreview(rows[rowNum - 1].snippet, rowNum, Reveal::AtOnce);
                preview->Move(kOriginX, rowTop);
                MRGrid::SetTagOf(preview, MRGrid::CellTag(1, rowNum));
            } else if (panel && (rowBottom <= keepTop || rowTop >= keepBottom) &&
                       !panel->isAncestorOf(QApplication::focusWidget())) {
                // A row the keyboard is on keeps its panel wherever the
                // wheel took the view.
                ReleaseRow(rowNum);
            }
        }
        rowTop = rowBottom;
    }
    showingRows = false;
}

QList<QWidget*> SnippetsPad::AccessibleChildren() const
{
    QList<QWidget*> panels;
    for (int rowNum = 1; rowNum <= oMRGrid.rowCount(); ++rowNum)
        if (QWidget* panel = oMRGrid.getControl(1, rowNum))
            panels << panel;
    return panels;
}

QKUserControl* SnippetsPad::EnsurePanel(int rowNum)
{
    if (QKUserControl* panel = RowPanel(rowNum))
        return panel;
    if (rows[rowNum - 1].mode != RowMode::Preview)
        return nullptr;
    double rowTop = kOriginY;
    for (int r = 1; r < rowNum; ++r)
        rowTop += oMRGrid.RowHeight(r);
    SnippetPreview* preview = NewPreview(rows[rowNum - 1].snippet, rowNum, Reveal::AtOnce);
    preview->Move(kOriginX, rowTop);
    MRGrid::SetTagOf(preview, MRGrid::CellTag(1, rowNum));
    return preview;
}

int SnippetsPad::RowOfWidget(const QWidget* widget) const
{
    while (widget && widget->parentWidget() != this)
        widget = widget->parentWidget();
    if (!widget)
        return 0;
    for (int rowNum = 1; rowNum <= oMRGrid.rowCount(); ++rowNum)
        if (oMRGrid.getControl(1, rowNum) == widget)
            return rowNum;
    return 0;
}

QWidget* SnippetsPad::NextTabStop(QWidget* from, bool next)
{
    int rowNum = from ? RowOfWidget(from) : 0;
    if (rowNum > 0) {
        const QList<QWidget*> stops = RowPanel(rowNum)->TabStops();
        const int at = int(stops.indexOf(from));
        const int to = at < 0 ? (next ? 0 : int(stops.size()) - 1) : at + (next ? 1 : -1);
        if (to >= 0 && to < stops.size())
            return stops[to];
        rowNum += next ? 1 : -1;
    } else {
        rowNum = next ? 1 : RowCount();
    }
    for (; rowNum >= 1 && rowNum <= RowCount(); rowNum += next ? 1 : -1) {
        QKUserControl* panel = EnsurePanel(rowNum);
        const QList<QWidget*> stops = panel ? panel->TabStops() : QList<QWidget*>();
        if (!stops.isEmpty())
            return next ? stops.first() : stops.last();
    }
    return nullptr;
}

QList<SnippetEdit*> SnippetsPad::UnsavedEdits() const
{
    QList<SnippetEdit*> unsaved;
    for (int rowNum = 1; rowNum <= rows.size(); ++rowNum) {
        if (rows[rowNum - 1].mode != RowMode::Edit)
            continue;
        auto* edit = qobject_cast<SnippetEdit*>(oMRGrid.getControl(1, rowNum));
        if (edit && edit->HasChanges())
            unsaved << edit;
    }
    return unsaved;
}

bool SnippetsPad::SaveEdits()
{
    for (const QPointer<SnippetEdit> edit : UnsavedEdits()) {
        if (edit && !edit->TrySave())
            return false;
    }
    return UnsavedEdits().isEmpty();
}

// ---- panel events ---------------------------------------------------------

void SnippetsPad::GiveKeyboardTo(QWidget* target)
{
    if (!keyboardInRow)
        return;
    keyboardInRow = false;
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

void SnippetsPad::GiveKeyboardToRow(int rowNum)
{
    if (rowNum > RowCount())
        rowNum = RowCount();
    QKUserControl* panel = rowNum >= 1 ? EnsurePanel(rowNum) : nullptr;
    const QList<QWidget*> stops = panel ? panel->TabStops() : QList<QWidget*>();
    GiveKeyboardTo(stops.isEmpty() ? nullptr : stops.first());
}

void SnippetsPad::OnEditClick(QWidget* panel, const SnippetPtr& snippet)
{
    if (changingRows)
        return;
    RowChange change(changingRows);
    const int rowNum = RowOf(panel);
    if (rowNum < 1)
        return;
    SnippetEdit* edit = OpenEditRow(rowNum, snippet);
    GiveKeyboardTo(edit->txtSnippet->TextBox());
}

void SnippetsPad::OnDelClick(QWidget* panel, const SnippetPtr& snippet)
{
    if (changingRows)
        return;
    RowChange change(changingRows);
    const int rowNum = RowOf(panel);
    if (rowNum < 1)
        return;
    ReleaseRow(rowNum);
    rows[rowNum - 1].mode = RowMode::Delete;
    SnippetDel* del = NewDel(snippet, rowNum);
    oMRGrid.Rearrange();
    PadDoEvents();
    GiveKeyboardTo(del->cmdDel);
}

void SnippetsPad::OnOkClick(SnippetEdit* panel, const SnippetPtr& snippet)
{
    if (changingRows)
        return;
    RowChange change(changingRows);
    const int rowNum = RowOf(panel);
    if (rowNum < 1)
        return;
    const QString storedAbbreviation = panel->OriginalAbbreviation();
    const QString storedContent = panel->OriginalContent();
    SnippetPreview* preview = ShowPreviewRow(rowNum, snippet);
    bool saved = true;
    emit SaveSnippet(snippet, saved);
    if (saved) {
        GiveKeyboardTo(preview->cmdEdit);
        return;
    }
    // The store refused: the snippet keeps what the store holds, and the row
    // reopens with what the user typed, so nothing is lost.
    const QString typedAbbreviation = snippet->snippetString;
    const QString typedContent = snippet->contentString;
    snippet->snippetString = storedAbbreviation;
    snippet->contentString = storedContent;
    SnippetEdit* edit = OpenEditRow(rowNum, snippet);
    edit->SetFields(typedAbbreviation, typedContent);
    GiveKeyboardTo(edit->txtSnippet->TextBox());
}

void SnippetsPad::OnEditCancel(QWidget* panel, const SnippetPtr& snippet)
{
    if (changingRows)
        return;
    RowChange change(changingRows);
    const int rowNum = RowOf(panel);
    if (rowNum < 1)
        return;
    if (snippet->snippetID > 0) {
        GiveKeyboardTo(ShowPreviewRow(rowNum, snippet)->cmdEdit);
        return;
    }
    ReleaseRow(rowNum);
    RemoveRow(rowNum);
    oMRGrid.Rearrange();
    RemoveFromCollection(snippet);
    GiveKeyboardToRow(rowNum);
}

void SnippetsPad::OnDeleteClick(QWidget* panel, const SnippetPtr& snippet)
{
    if (changingRows)
        return;
    RowChange change(changingRows);
    const int rowNum = RowOf(panel);
    if (rowNum < 1)
        return;
    const SnippetPtr copy = snippet->Clone();
    ReleaseRow(rowNum);
    RemoveRow(rowNum);
    oMRGrid.Rearrange();
    const int place = RemoveFromCollection(snippet);
    bool deleted = true;
    emit DeleteSnippet(copy, deleted);
    if (deleted) {
        GiveKeyboardToRow(rowNum);
        return;
    }
    // The record is still there: so are its list entry and its row.
    if (place >= 0)
        Collection().insert(qMin(place, int(Collection().size())), snippet);
    InsertRow(rowNum - 1, snippet, RowMode::Preview);
    SnippetPreview* preview = NewPreview(snippet, rowNum, Reveal::AfterEvents);
    SetRowHeightFor(rowNum, preview->Height());
    oMRGrid.Rearrange();
    GiveKeyboardTo(preview->cmdDel);
}

void SnippetsPad::OnDelCancel(QWidget* panel, const SnippetPtr& snippet)
{
    if (changingRows)
        return;
    RowChange change(changingRows);
    const int rowNum = RowOf(panel);
    if (rowNum < 1)
        return;
    GiveKeyboardTo(ShowPreviewRow(rowNum, snippet)->cmdDel);
}
