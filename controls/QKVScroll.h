#pragma once

#include "controls/QKUserControl.h"

class QKPicture;

// A vertical scroll bar with a fixed-size thumb (2000 twips, whatever the
// range) on a track. Value, Min and Max are plain stored numbers: setting one
// moves nothing and raises nothing. ScrollTo sets Value as given (no
// clamping; a value outside the range puts the thumb outside the track),
// moves the thumb and raises Scroll.
//
// The user drags the thumb (its top kept between 1 and the track's end less
// one) or presses the track for a page of one fifth of the range towards the
// pointer, clamped to Min..Max. Each change raises Scroll(scrollValue), where
// scrollValue is the control's own Value: a handler that assigns to it
// changes Value, and the thumb stays where it is.
//
// A range of zero (Max = Min) or a bar no taller than its thumb leaves no room
// to move: the thumb then stays at the top and dragging gives Min.
class QKUI_EXPORT QKVScroll : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKVScroll")
public:
    static constexpr double kThumbHeight = 2000;
    // A page of the track is this fraction of the range.
    static constexpr double kPageDivisor = 5;

    explicit QKVScroll(QWidget* parent = nullptr);

    qint32 Value() const { return value; }
    void SetValue(qint32 newValue);
    qint32 Max() const { return max; }
    void SetMax(qint32 newValue);
    qint32 Min() const { return min; }
    void SetMin(qint32 newValue);
    qint32 ScrollTo(qint32 newValue);

    double ThumbTop() const;
    double Travel() const;
    bool Dragging() const { return dragging; }

signals:
    void Scroll(qint32& scrollValue);

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ThumbDown(double y);
    void ThumbMove(double y);
    void ThumbUp();
    void PlaceThumbForValue();
    void RaiseScroll();

    QKPicture* picTop;
    QKPicture* picBtm;
    qint32 value = 1;
    qint32 max = 100;
    qint32 min = 1;
    bool dragging = false;
    double dragStartY = 0;
};
