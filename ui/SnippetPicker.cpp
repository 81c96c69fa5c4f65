#include "ui/SnippetPicker.h"

#include "controls/QKFilter.h"
#include "controls/QKLineEdit.h"
#include "controls/Skins.h"
#include "controls/Twips.h"
#include "ui/SnippetPickerModel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>

SnippetPicker::SnippetPicker(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SnippetPicker"));
    setWindowTitle(QStringLiteral("Quillo: insert a snippet"));
    setAccessibleName(QStringLiteral("Insert a snippet"));
    setFixedSize(kWidthPx, kHeightPx);
    setFont(Skins::TextFont());

    txtSearch = new QKFilter(this);
    txtSearch->SetName(QStringLiteral("txtSearch"));
    txtSearch->InitNew();
    txtSearch->Move(Twips::FromPixels(kMarginPx), Twips::FromPixels(kMarginPx),
                    Twips::FromPixels(kWidthPx - 2 * kMarginPx), Twips::FromPixels(Skins::SearchField().height()));
    txtSearch->SetText(QString());
    txtSearch->setAccessibleName(QStringLiteral("Search snippets"));
    txtSearch->TextBox()->setAccessibleName(QStringLiteral("Search snippets"));
    txtSearch->TextBox()->setAccessibleDescription(
        QStringLiteral("Type words of the abbreviation, description or content; Up and Down choose, Enter inserts"));
    txtSearch->TextBox()->installEventFilter(this);
    connect(txtSearch->TextBox(), &QLineEdit::textChanged, this, [this](const QString& text) { Filter(text); });

    model = new SnippetPickerModel(this);
    lstSnippets = new QListView(this);
    lstSnippets->setObjectName(QStringLiteral("lstSnippets"));
    lstSnippets->setAccessibleName(QStringLiteral("Snippets"));
    lstSnippets->setModel(model);
    lstSnippets->setUniformItemSizes(true); // no measuring of 10,000 rows
    lstSnippets->setFocusPolicy(Qt::NoFocus); // the keys stay with the search field
    lstSnippets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstSnippets->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSnippets->setTextElideMode(Qt::ElideRight);
    const int listTop = txtSearch->geometry().bottom() + 1 + kMarginPx;
    lstSnippets->setGeometry(kMarginPx, listTop, kWidthPx - 2 * kMarginPx, kHeightPx - listTop - kMarginPx);
    QPalette colours = lstSnippets->palette();
    colours.setColor(QPalette::Base, Skins::White());
    colours.setColor(QPalette::Text, Skins::TextColor());
    colours.setColor(QPalette::Highlight, Skins::AccentColor());
    colours.setColor(QPalette::HighlightedText, Skins::White());
    lstSnippets->setPalette(colours);
    lstSnippets->setFrameShape(QFrame::NoFrame);
    // A click chooses too, for whoever reaches for the mouse.
    connect(lstSnippets, &QListView::clicked, this, [this](const QModelIndex& index) {
        lstSnippets->setCurrentIndex(index);
        Choose();
    });
}

SnippetPicker::~SnippetPicker() = default;

void SnippetPicker::Open(const SnippetCollection& snippets)
{
    wasActive = false;
    model->SetSnippets(snippets);
    txtSearch->TextBox()->blockSignals(true);
    txtSearch->SetText(QString());
    txtSearch->TextBox()->blockSignals(false);
    lstSnippets->setCurrentIndex(model->index(0));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + int(area.height() * kScreenTopShare));
    }
    show();
    raise();
    activateWindow();
    txtSearch->TextBox()->setFocus(Qt::OtherFocusReason);
}

QString SnippetPicker::FilterText() const
{
    return txtSearch->Text();
}

int SnippetPicker::ListedCount() const
{
    return model->rowCount();
}

SnippetPtr SnippetPicker::Current() const
{
    return model->At(lstSnippets->currentIndex().row());
}

void SnippetPicker::Filter(const QString& text)
{
    model->SetFilter(text);
    lstSnippets->setCurrentIndex(model->index(0));
}

void SnippetPicker::MoveCurrent(int rows)
{
    const int count = model->rowCount();
    if (count == 0)
        return;
    const int row = std::clamp(lstSnippets->currentIndex().row() + rows, 0, count - 1);
    lstSnippets->setCurrentIndex(model->index(row));
}

void SnippetPicker::Choose()
{
    const SnippetPtr chosen = Current();
    if (!chosen)
        return; // nothing listed: Enter has nothing to insert
    hide();
    if (onChosen)
        onChosen(chosen);
}

void SnippetPicker::Cancel()
{
    if (!isVisible())
        return;
    hide();
    if (onCancelled)
        onCancelled();
}

bool SnippetPicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSearch->TextBox() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int page = std::max(1, lstSnippets->viewport()->height() / std::max(1, lstSnippets->sizeHintForRow(0)));
        switch (key->key()) {
        case Qt::Key_Up: MoveCurrent(-1); return true;
        case Qt::Key_Down: MoveCurrent(1); return true;
        case Qt::Key_PageUp: MoveCurrent(-page); return true;
        case Qt::Key_PageDown: MoveCurrent(page); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: Choose(); return true;
        case Qt::Key_Escape: Cancel(); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool SnippetPicker::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        wasActive = true;
    } else if (event->type() == QEvent::WindowDeactivate && wasActive) {
        // The user went elsewhere: the picker is not left in the way.
        Cancel();
    }
    return QWidget::event(event);
}

void SnippetPicker::paintEvent(QPaintEvent*)
{
    // Once the window is on the screen, the search gets ready for the
    // first key, which comes a good while later.
    QTimer::singleShot(0, model, &SnippetPickerModel::Prepare);
    QPainter painter(this);
    painter.fillRect(rect(), Skins::TipGrey());
    painter.setPen(Skins::BorderColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
