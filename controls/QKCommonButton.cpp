#include "controls/QKCommonButton.h"

#include "controls/EndCapLayout.h"
#include "controls/FocusRing.h"
#include "controls/PropertyBag.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {
// The caption the artwork was laid out with.
constexpr const char* kDesignCaption = "Combo";
constexpr double kDefaultWidth = 1200;
}

QKCommonButton::QKCommonButton(QWidget* parent)
    : QKUserControl(parent), picRight(new QKPicture("picRight", this)), lblCaption(new QKLabel("lblCaption", this))
{
    SetBackPicture(Skins::CommonButtonBody());
    SetBackPictureEnd(picRight);
    picRight->SetPicture(Skins::CommonButtonCap());
    lblCaption->SetCaption(kDesignCaption);
    InitGeometry(QRectF(0, 0, kDefaultWidth, picRight->PictureHeight()));
    EndCapLayout::PlaceCap(*this, *picRight);
    Twips::SetTop(lblCaption, kCaptionTop);
    CentreCaption();
    connect(picRight, &QKPicture::MouseDown, this, [this] { emit Click(); });
    connect(lblCaption, &QKLabel::MouseDown, this, [this] { emit Click(); });
    FocusRing::Attach(this);
}

QString QKCommonButton::Text()
{
    CentreCaption();
    return lblCaption->Caption();
}

void QKCommonButton::SetText(const QString& value)
{
    lblCaption->SetCaption(value);
    emit PropertyChanged("Text");
}

void QKCommonButton::OnInitProperties()
{
    SetText(Name());
}

void QKCommonButton::OnReadProperties(const PropertyBag& bag)
{
    SetText(bag.ReadString("Text", QString()));
}

void QKCommonButton::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Text", lblCaption->Caption(), QString());
}

void QKCommonButton::OnResize()
{
    EndCapLayout::Apply(*this, *picRight, kMinWidth, kMaxWidth);
    CentreCaption();
}

void QKCommonButton::OnShow()
{
    EndCapLayout::PlaceCap(*this, *picRight);
    Twips::SetTop(lblCaption, kCaptionTop);
    CentreCaption();
}

void QKCommonButton::CentreCaption()
{
    Twips::SetLeft(lblCaption, (Width() - lblCaption->Width()) / 2);
}

void QKCommonButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit Click();
}

QString QKCommonButton::AccessibleName() const
{
    return lblCaption->Caption();
}

QString QKCommonButton::AccessibleAction() const
{
    return QAccessibleActionInterface::pressAction();
}

void QKCommonButton::keyPressEvent(QKeyEvent* event)
{
    if (!FocusRing::Activates(event)) {
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
    emit Click();
}
