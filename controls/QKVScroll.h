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
// one; the two ends of its travel give exactly Min and Max, so the whole of
// any range can be reached) or presses the track for a page towards the
// pointer, clamped to Min..Max. Each change raises Scroll(scrollValue), where
// scrollValue is the control's own Value: a handler that assigns to it
// changes Value, and the thumb stays where it is.
//
// A page is LargeChange when the host sets one (what its view shows), else
// one fifth of the range. A wheel notch moves SmallChange times the desktop's
// wheel lines; the bar is reached by Tab and then Up and Down move one
// SmallChange, Page Up and Page Down a page, Home and End to Min and Max. All
// of these stay within Min..Max and raise Scroll only when Value changes.
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

    // Not stored with the control: the host sets them for what it shows.
    qint32 SmallChange() const { return smallChange; }
    void SetSmallChange(qint32 value);
    qint32 LargeChange() const { return largeChange; }
    void SetLargeChange(qint32 value);
    // What a track press or Page Down moves.
    qint32 PageStep() const;
    // Moves Value by delta within Min..Max as the user's scrolling does.
    void ScrollBy(qint64 delta);

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
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::ScrollBar; }
    QString AccessibleValue() const override { return QString::number(value); }
    QVariantList AccessibleNumbers() const override { return {value, min, max, smallChange}; }
    QList<QWidget*> AccessibleChildren() const override { return {}; }

private:
    void ThumbDown(double y);
    void ThumbMove(double y);
    void ThumbUp();
    void PlaceThumbForValue();
    void RaiseScroll();
    qint32 Clamped(qint64 candidate) const;

    QKPicture* picTop;
    QKPicture* picBtm;
    qint32 value = 1;
    qint32 max = 100;
    qint32 min = 1;
    bool dragging = false;
    double dragStartY = 0;
    qint32 smallChange = 1;
    qint32 largeChange = 0; // 0: a fifth of the range
    // Wheel turns smaller than a notch (touchpads), saved up.
    int wheelRemainder = 0;
};
