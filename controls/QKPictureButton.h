#pragma once

#include "controls/QKUserControl.h"

class QKPicture;

// The buttons made of one state picture (add, function, edit, delete,
// close). The control is always exactly one look of the picture: whatever
// size the host asks for, OnResize sets it back to picture width x look
// height.
//
// A press on the picture shows look 1; the release, which Qt delivers to the
// picture that got the press wherever the pointer has gone, shows the resting
// look again and then raises Click. So press-and-release always clicks, even
// when the pointer left the button in between.
//
// Members differ in how they hold the look (the picture's position itself,
// or a pressed flag the look is drawn from) and whether the new look is
// painted at once, before the host's handler runs.
class QKUI_EXPORT QKPictureButton : public QKUserControl
{
    Q_OBJECT
public:
    double LookHeight() const { return lookHeight; }
    int CurrentLook() const;
    QKPicture* PicturePiece() const { return picture; }

signals:
    void Click();

protected:
    enum class LookState { PictureMoved, PressedFlag };

    QKPictureButton(QWidget* parent, const QString& pieceName, const QPixmap& pixmap, int looks,
                    LookState lookState, bool repaintOnChange, const QString& hoverText);

    void OnResize() override;
    void OnShow() override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::Button; }
    QString AccessibleName() const override { return toolTip(); }
    void AccessibleState(QAccessible::State& state) const override;
    QString AccessibleAction() const override;
    void AccessibleDoAction() override;
    QList<QWidget*> AccessibleChildren() const override { return {}; }

    // Whether a press and release count at all (the delete button ignores
    // them while disabled).
    virtual bool TakesClicks() const { return true; }
    // The look shown at rest and by Show.
    virtual int RestingLook() const;
    void ShowLook(int look);

private:
    void Press();
    void Release();

    QKPicture* picture;
    double lookHeight;
    LookState lookState;
    bool repaintOnChange;
    int pressedFlag = 0;
};
