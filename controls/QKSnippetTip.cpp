#include "controls/QKSnippetTip.h"

#include "controls/EndCapLayout.h"
#include "controls/PropertyBag.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/TipText.h"
#include "controls/Twips.h"

QKSnippetTip::QKSnippetTip(QWidget* parent)
    : QKUserControl(parent), picRight(new QKPicture("picRight", this)), lblCaption(new QKLabel("lblCaption", this))
{
    SetBackColor(Skins::White());
    SetBackPicture(Skins::TipBody());
    SetBackPictureEnd(picRight);
    picRight->SetPicture(Skins::TipCap());
    lblCaption->SetTextColor(Skins::White());
    InitGeometry(QRectF(0, 0, kMinWidth, picRight->PictureHeight()));
    EndCapLayout::PlaceCap(*this, *picRight);
    Twips::SetTop(lblCaption, kLabelTop);
    CentreLabel();
}

QString QKSnippetTip::Text() const
{
    return lblCaption->Caption();
}

void QKSnippetTip::SetText(const QString& value)
{
    lblCaption->SetCaption(value);
    lblCaption->setToolTip(TipText::Capped(value));
    emit PropertyChanged("Text");
    SetWidth(2 * picRight->PictureWidth() + lblCaption->Width());
    CentreLabel();
}

void QKSnippetTip::OnInitProperties()
{
    SetText(Name());
}

void QKSnippetTip::OnReadProperties(const PropertyBag& bag)
{
    SetText(bag.ReadString("Text", QString()));
}

void QKSnippetTip::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Text", Text(), QString());
}

void QKSnippetTip::OnResize()
{
    EndCapLayout::Apply(*this, *picRight, kMinWidth, kMaxWidth);
    CentreLabel();
}

void QKSnippetTip::OnShow()
{
    EndCapLayout::PlaceCap(*this, *picRight);
    Twips::SetTop(lblCaption, kLabelTop);
    CentreLabel();
}

void QKSnippetTip::CentreLabel()
{
    Twips::SetLeft(lblCaption, (Width() - lblCaption->Width()) / 2);
}
