#include "controls/QKTextBox.h"

#include "controls/EndCapLayout.h"
#include "controls/PropertyBag.h"
#include "controls/QKLineEdit.h"
#include "controls/QKPicture.h"
#include "controls/Twips.h"

namespace {
// The text line of Arial 9 pt (15 pixels).
constexpr double kTextHeight = 225;
constexpr double kDefaultWidth = 1800;
}

QKTextBox::QKTextBox(QWidget* parent, const Shape& shape)
    : QKUserControl(parent), oText(new QKLineEdit("oText", this)), picLeft(new QKPicture("picLeft", this)),
      shape(shape)
{
    SetBackPicture(shape.field);
    SetBackPictureEnd(picLeft);
    picLeft->SetPicture(shape.cap);
    InitGeometry(QRectF(0, 0, kDefaultWidth, picLeft->PictureHeight()));
    Twips::SetGeometry(oText, QRectF(shape.textLeft, shape.textTop,
                                     kDefaultWidth - picLeft->PictureWidth() - shape.textMargin, kTextHeight));
    EndCapLayout::PlaceCap(*this, *picLeft);
    connect(oText, &QKLineEdit::KeyPress, this, [this](qint16& keyAscii) { emit KeyPress(keyAscii); });
}

QString QKTextBox::Text() const
{
    return oText->text();
}

void QKTextBox::SetText(const QString& value)
{
    oText->setText(value);
    TextSet();
    emit PropertyChanged("Text");
}

void QKTextBox::OnInitProperties()
{
    SetText(Name());
}

void QKTextBox::OnReadProperties(const PropertyBag& bag)
{
    SetText(bag.ReadString("Text", QString()));
}

void QKTextBox::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Text", Text(), QString());
}

void QKTextBox::OnResize()
{
    EndCapLayout::Apply(*this, *picLeft, shape.minWidth, shape.maxWidth);
    Twips::SetWidth(oText, Width() - picLeft->PictureWidth() - shape.textMargin);
}

void QKTextBox::OnShow()
{
    EndCapLayout::PlaceCap(*this, *picLeft);
    Twips::Move(oText, shape.textLeft, shape.textTop);
}
