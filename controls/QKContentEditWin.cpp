#include "controls/QKContentEditWin.h"

#include "controls/PropertyBag.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

namespace {
constexpr double kDefaultWidth = 3000;
constexpr double kDefaultHeight = 1500;
}

QKContentEditWin::QKContentEditWin(QWidget* parent)
    : QKUserControl(parent), oText(new QPlainTextEdit(this)), picTopRight(new QKPicture("picTopRight", this)),
      picBotLeft(new QKPicture("picBotLeft", this)), picBotRight(new QKPicture("picBotRight", this))
{
    SetBackPicture(Skins::EditPanel());
    picTopRight->SetPicture(Skins::EditPanelRight());
    picBotLeft->SetPicture(Skins::EditPanelBottom());
    picBotRight->SetPicture(Skins::EditPanelCorner());

    oText->setObjectName("oText");
    oText->setFrameShape(QFrame::NoFrame);
    oText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    oText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    oText->setFont(Skins::TextFont());
    oText->document()->setDocumentMargin(0);
    QPalette pal = oText->palette();
    pal.setColor(QPalette::Base, Skins::White());
    pal.setColor(QPalette::Text, Skins::TextColor());
    oText->setPalette(pal);
    Twips::Move(oText, kInset, kInset);
    oText->setTabChangesFocus(true);
    oText->installEventFilter(this);

    InitGeometry(QRectF(0, 0, kDefaultWidth, kDefaultHeight));
    Relayout();
}

QString QKContentEditWin::Text() const
{
    return oText->toPlainText();
}

void QKContentEditWin::SetText(const QString& value)
{
    oText->setPlainText(value);
    emit PropertyChanged("Text");
}

qint32 QKContentEditWin::InsertText(const QString& txtStr)
{
    // Goes through the box's own cursor: a selection is replaced, otherwise
    // the text lands at the caret, and the caret ends after it.
    oText->insertPlainText(txtStr);
    return 0;
}

bool QKContentEditWin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == oText && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier)) {
            oText->insertPlainText(QStringLiteral("\t"));
            return true;
        }
    }
    return QKUserControl::eventFilter(watched, event);
}

void QKContentEditWin::OnInitProperties()
{
    SetText(Name());
}

void QKContentEditWin::OnReadProperties(const PropertyBag& bag)
{
    SetText(bag.ReadString("Text", QString()));
}

void QKContentEditWin::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Text", Text(), QString());
}

void QKContentEditWin::OnResize()
{
    if (Width() > kMaxWidth)
        SetWidth(kMaxWidth);
    if (Height() > kMaxHeight)
        SetHeight(kMaxHeight);
    const double w = Width();
    const double h = Height();
    Twips::Move(picTopRight, w - Twips::Geometry(picTopRight).width(), 0);
    Twips::Move(picBotLeft, 0, h - Twips::Geometry(picBotLeft).height());
    Twips::Move(picBotRight, w - Twips::Geometry(picBotRight).width(), h - Twips::Geometry(picBotRight).height());
    Twips::Resize(oText, w - 2 * kInset, h - 2 * kInset);
}
