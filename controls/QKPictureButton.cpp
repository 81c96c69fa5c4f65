#include "controls/QKPictureButton.h"

#include "controls/FocusRing.h"
#include "controls/QKPicture.h"
#include "controls/StatePicture.h"
#include "controls/Twips.h"

#include <QKeyEvent>

QKPictureButton::QKPictureButton(QWidget* parent, const QString& pieceName, const QPixmap& pixmap, int looks,
                                 LookState lookState, bool repaintOnChange, const QString& hoverText)
    : QKUserControl(parent), picture(new QKPicture(pieceName, this)), lookState(lookState),
      repaintOnChange(repaintOnChange)
{
    picture->SetPicture(pixmap);
    Twips::Move(picture, 0, 0);
    lookHeight = StatePicture::LookHeight(picture->PictureHeight(), looks);
    if (!hoverText.isEmpty()) {
        picture->setToolTip(hoverText);
        setToolTip(hoverText);
    }
    InitGeometry(QRectF(0, 0, picture->PictureWidth(), lookHeight));
    connect(picture, &QKPicture::MouseDown, this, [this] { Press(); });
    connect(picture, &QKPicture::MouseUp, this, [this] { Release(); });
    FocusRing::Attach(this);
}

void QKPictureButton::AccessibleState(QAccessible::State& state) const
{
    // A button that takes no clicks reads as disabled, as it looks.
    if (!TakesClicks())
        state.disabled = true;
}

QString QKPictureButton::AccessibleAction() const
{
    return QAccessibleActionInterface::pressAction();
}

void QKPictureButton::AccessibleDoAction()
{
    Press();
    Release();
}

void QKPictureButton::keyPressEvent(QKeyEvent* event)
{
    if (!FocusRing::Activates(event)) {
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
    // The key does what a press and release of the mouse do, looks included.
    Press();
    Release();
}

int QKPictureButton::CurrentLook() const
{
    return StatePicture::CurrentLook(*picture, lookHeight);
}

int QKPictureButton::RestingLook() const
{
    return lookState == LookState::PressedFlag ? pressedFlag : 0;
}

void QKPictureButton::ShowLook(int look)
{
    StatePicture::ShowLook(*picture, look, lookHeight);
}

void QKPictureButton::OnResize()
{
    SetWidth(picture->PictureWidth());
    SetHeight(lookHeight);
}

void QKPictureButton::OnShow()
{
    ShowLook(RestingLook());
}

void QKPictureButton::Press()
{
    if (!TakesClicks())
        return;
    if (lookState == LookState::PressedFlag) {
        pressedFlag = 1;
        ShowLook(pressedFlag);
    } else {
        ShowLook(1);
    }
    if (repaintOnChange)
        RefreshNow();
}

void QKPictureButton::Release()
{
    if (!TakesClicks())
        return;
    if (lookState == LookState::PressedFlag) {
        pressedFlag = 0;
        ShowLook(pressedFlag);
    } else {
        ShowLook(0);
    }
    if (repaintOnChange)
        RefreshNow();
    emit Click();
}
