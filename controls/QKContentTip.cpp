#include "controls/QKContentTip.h"

#include "controls/EndCapLayout.h"
#include "controls/PropertyBag.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/TipText.h"
#include "controls/Twips.h"

namespace {
constexpr double kDefaultWidth = 2400;
}

QKContentTip::QKContentTip(QWidget* parent)
    : QKUserControl(parent), picRight(new QKPicture("picRight", this)), lblCaption(new QKLabel("lblCaption", this))
{
    SetBackColor(Skins::TipGrey());
    // The cap has no picture: a block of the surface's grey over the label.
    picRight->SetFillColor(Skins::TipGrey());
    Twips::SetGeometry(picRight, QRectF(0, 0, kCapWidth, kCapHeight));
    picRight->raise();
    InitGeometry(QRectF(0, 0, kDefaultWidth, kCapHeight));
    EndCapLayout::PlaceCap(*this, *picRight);
    Twips::Move(lblCaption, kLabelLeft, kLabelTop);
}

QString QKContentTip::Text() const
{
    return lblCaption->Caption();
}

void QKContentTip::SetText(const QString& value)
{
    lblCaption->SetCaption(value);
    lblCaption->setToolTip(TipText::Capped(value));
    emit PropertyChanged("Text");
    Relayout();
}

void QKContentTip::OnInitProperties()
{
    SetText(Name());
}

void QKContentTip::OnReadProperties(const PropertyBag& bag)
{
    SetText(bag.ReadString("Text", QString()));
}

void QKContentTip::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Text", Text(), QString());
}

void QKContentTip::OnResize()
{
    EndCapLayout::Apply(*this, *picRight, kMinWidth, kMaxWidth);
    Twips::SetLeft(lblCaption, kLabelLeft);
}

void QKContentTip::OnShow()
{
    EndCapLayout::PlaceCap(*this, *picRight);
    Twips::Move(lblCaption, kLabelLeft, kLabelTop);
}
