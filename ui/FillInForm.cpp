#include "ui/FillInForm.h"

#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKLineEdit.h"
#include "controls/QKText.h"
#include "controls/Skins.h"
#include "controls/Twips.h"
#include "ui/ControlMaker.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace {

double Tw(int pixels)
{
    return Twips::FromPixels(pixels);
}

} // namespace

FillInForm::FillInForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FillInForm"));
    setWindowTitle(QStringLiteral("Quillo: fill in the snippet"));
    setAccessibleName(QStringLiteral("Fill in the snippet"));
    setFont(Skins::TextFont());
    heading = MakePlainLabel(this, QString(), Tw(kMarginPx), Tw(kMarginPx));
    cmdInsert = MakeControl<QKCommonButton>(this, QStringLiteral("cmdInsert"), 0, 0, Tw(kButtonWidthPx), Tw(kRowHeightPx));
    cmdInsert->SetText(QStringLiteral("Insert"));
    cmdCancel = MakeControl<QKCommonButton>(this, QStringLiteral("cmdCancel"), 0, 0, Tw(kButtonWidthPx), Tw(kRowHeightPx));
    cmdCancel->SetText(QStringLiteral("Cancel"));
    cmdInsert->installEventFilter(this);
    cmdCancel->installEventFilter(this);
    connect(cmdInsert, &QKCommonButton::Click, this, [this] { Fill(); });
    connect(cmdCancel, &QKCommonButton::Click, this, [this] { Cancel(); });
}

FillInForm::~FillInForm() = default;

void FillInForm::ClearRows()
{
    for (const Row& row : rows) {
        delete row.caption;
        delete row.text;
        delete row.choice;
    }
    rows.clear();
}

void FillInForm::Open(const QString& snippetName, const QList<FillInField>& fields, std::optional<QPoint> near)
{
    hide();
    wasActive = false;
    ClearRows();
    heading->setText(snippetName.isEmpty() ? QStringLiteral("Fill in the snippet")
                                           : QStringLiteral("Fill in \"%1\"").arg(snippetName));
    heading->adjustSize();

    int top = kMarginPx + heading->height() + kRowGapPx;
    const int fieldLeft = kMarginPx + kLabelWidthPx;
    const int fieldWidth = kWidthPx - fieldLeft - kMarginPx;
    QWidget* previous = nullptr;
    for (const FillInField& field : fields) {
        Row row;
        row.field = field;
        row.caption = MakePlainLabel(this, field.label, Tw(kMarginPx), Tw(top + 4));
        row.caption->setMaximumWidth(kLabelWidthPx - kMarginPx);
        QWidget* keys = nullptr;
        if (field.choices.isEmpty()) {
            row.text = MakeControl<QKText>(this, QStringLiteral("txtField"), Tw(fieldLeft), Tw(top), Tw(fieldWidth),
                                           Tw(kRowHeightPx));
            row.text->SetText(field.defaultValue);
            row.text->setAccessibleName(field.label);
            row.text->TextBox()->setAccessibleName(field.label);
            keys = row.text->TextBox();
        } else {
            row.choice = MakeControl<QKCombo>(this, QStringLiteral("cmbField"), Tw(fieldLeft), Tw(top), Tw(fieldWidth),
                                              Tw(kRowHeightPx));
            for (const QString& value : field.choices)
                row.choice->AddItem(value);
            row.choice->SetText(field.choices.contains(field.defaultValue) ? field.defaultValue : field.choices.first());
            row.choice->setAccessibleName(field.label);
            row.choice->setAccessibleDescription(QStringLiteral("Up and Down change the choice"));
            keys = row.choice;
        }
        keys->installEventFilter(this);
        if (previous)
            setTabOrder(previous, keys);
        previous = keys;
        rows << row;
        top += kRowHeightPx + kRowGapPx;
    }
    if (previous)
        setTabOrder(previous, cmdInsert);
    setTabOrder(cmdInsert, cmdCancel);
    cmdCancel->Move(Tw(kWidthPx - kMarginPx - kButtonWidthPx), Tw(top), Tw(kButtonWidthPx), Tw(kRowHeightPx));
    cmdInsert->Move(Tw(kWidthPx - 2 * (kMarginPx + kButtonWidthPx)), Tw(top), Tw(kButtonWidthPx), Tw(kRowHeightPx));
    setFixedSize(kWidthPx, top + kRowHeightPx + kMarginPx);

    PlaceNear(near);
    open = true;
    show();
    raise();
    activateWindow();
    if (!rows.isEmpty())
        FieldWidget(0)->setFocus(Qt::OtherFocusReason);
    else
        cmdInsert->setFocus(Qt::OtherFocusReason);
}

void FillInForm::PlaceNear(std::optional<QPoint> near)
{
    const QScreen* screen = near ? QGuiApplication::screenAt(*near) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QPoint at = near ? *near + QPoint(0, kBelowCaretPx)
                     : QPoint(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    // Kept whole on the screen; above the caret when there is no room below.
    if (near && at.y() + height() > area.bottom())
        at.setY(near->y() - height() - kRowHeightPx);
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    move(at);
}

QWidget* FillInForm::FieldWidget(int i) const
{
    if (i < 0 || i >= rows.size())
        return nullptr;
    const Row& row = rows.at(i);
    return row.text ? static_cast<QWidget*>(row.text->TextBox()) : static_cast<QWidget*>(row.choice);
}

QMap<QString, QString> FillInForm::Answers() const
{
    QMap<QString, QString> answers;
    for (const Row& row : rows)
        answers.insert(row.field.label, row.text ? row.text->Text() : row.choice->Text());
    return answers;
}

void FillInForm::StepChoice(const Row& row, int step)
{
    const QStringList& choices = row.field.choices;
    const int at = int(choices.indexOf(row.choice->Text()));
    row.choice->SetText(choices.at(std::clamp(at + step, 0, int(choices.size()) - 1)));
}

void FillInForm::Fill()
{
    if (!open)
        return;
    open = false;
    const QMap<QString, QString> answers = Answers();
    hide();
    if (onFilled)
        onFilled(answers);
}

void FillInForm::Cancel()
{
    if (!open)
        return;
    open = false;
    hide();
    if (onCancelled)
        onCancelled();
}

bool FillInForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        Cancel();
        return true;
    }
    // On a button Enter presses that button; in a field it inserts.
    const bool onButton = watched == cmdInsert || watched == cmdCancel;
    if (!onButton && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        Fill();
        return true;
    }
    if (key->modifiers() == Qt::NoModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        for (const Row& row : rows) {
            if (row.choice == watched) {
                StepChoice(row, key->key() == Qt::Key_Up ? -1 : 1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool FillInForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        wasActive = true;
    } else if (event->type() == QEvent::WindowDeactivate && wasActive && !QApplication::activePopupWidget()) {
        // The user went elsewhere: nothing is inserted and the
        // abbreviation stays as typed.
        Cancel();
    }
    return QWidget::event(event);
}

void FillInForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Skins::TipGrey());
    painter.setPen(Skins::BorderColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
