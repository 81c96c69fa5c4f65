#pragma once

#include "controls/QKUIExport.h"

#include <QAccessible>
#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QWidget>

class PropertyBag;

// The base of every user control: the library's skinned controls and the
// program's own composite controls (row panels, pads).
//
// Geometry. Left/Top/Width/Height are twips (see Twips), relative to the
// parent. The host sets them with the setters or Move(); after that it must
// read them back, because a control may change its own size in OnResize
// (clamping, fixed sizes).
//
// Lifecycle, in the order the host drives it:
//   1. construction: the constructor is the creation (Initialize) hook: it
//      builds the child pieces at their creation positions;
//   2. either InitNew() for a fresh instance (runs OnInitProperties; the
//      instance name is Name(), set with SetName() or by ControlRegistry
//      before), or ReadProperties(bag) for a saved one (runs OnReadProperties);
//   3. OnResize() whenever the host sets a different size, and at the first
//      placement; the control may change its own size there without
//      re-entering OnResize;
//   4. OnShow() each time the control becomes visible;
//   5. WriteProperties(bag) before the host saves (runs OnWriteProperties).
// A control that changes a property emits PropertyChanged(key) so that a
// designer can mark its form as changed.
//
// Events. Controls report to the host with Qt signals named after the event
// (Click, KeyPress, Scroll, ...). They are raised synchronously: connect them
// directly (the default within the UI thread), and the handler runs before
// the control continues. Arguments passed by reference (KeyAscii, ...) may be
// changed by the handler where the control says it has an effect.
//
// Run mode and design mode. UserMode() is true when the control runs inside
// the program. In design mode the control takes no mouse input (clicks reach
// the host, a designer) and none of its pieces takes the keyboard focus.
//
// Painting. The surface shows a background colour (none by default) and over
// it an optional background picture, drawn unscaled from the top-left corner
// and clipped by the surface.
class QKUI_EXPORT QKUserControl : public QWidget
{
    Q_OBJECT
public:
    explicit QKUserControl(QWidget* parent = nullptr);

    // The instance name the host gave the control (the object name).
    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }
    // "QKUIControls.<class>" for the library's controls; a control of the
    // program declares Q_CLASSINFO("ProgId", ...) or gets its class name.
    QString ProgId() const;

    void InitNew();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double left);
    void SetTop(double top);
    void SetWidth(double width);
    void SetHeight(double height);
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    QString Tag() const { return tag; }
    void SetTag(const QString& value) { tag = value; }

    // The pieces inside the control that Tab visits, in the order it visits
    // them (shown, enabled, reachable by Tab).
    QList<QWidget*> TabStops() const;

    // What a screen reader is told of the control (see QKAccessible). A
    // name the host sets with setAccessibleName() comes before
    // AccessibleName().
    virtual QAccessible::Role AccessibleRole() const { return QAccessible::Pane; }
    virtual QString AccessibleName() const { return QString(); }
    virtual QString AccessibleValue() const { return QString(); }
    virtual void AccessibleState(QAccessible::State& state) const { Q_UNUSED(state); }
    // The one action a screen reader may run ("Press", "Toggle"), or none.
    virtual QString AccessibleAction() const { return QString(); }
    virtual void AccessibleDoAction() {}
    // Value, minimum, maximum and step of a control that has a value.
    virtual QVariantList AccessibleNumbers() const { return {}; }
    // The widgets inside that are things of their own (fields, buttons, other
    // controls); by default every child but the picture pieces.
    virtual QList<QWidget*> AccessibleChildren() const;

    bool UserMode() const { return userMode; }
    void SetUserMode(bool runMode);

signals:
    void PropertyChanged(const QString& key);

protected:
    virtual void OnInitProperties() {}
    virtual void OnReadProperties(const PropertyBag&) {}
    virtual void OnWriteProperties(PropertyBag&) const {}
    virtual void OnResize() {}
    virtual void OnShow() {}

    // The size and place a new control starts with, set in its constructor;
    // it is not a placement by the host, so no OnResize runs.
    void InitGeometry(const QRectF& twips);
    // Runs OnResize for the current size, as a property change that moves
    // pieces needs; the control's own size corrections do not re-enter it.
    void Relayout();

    void SetBackPicture(const QPixmap& picture);
    // The background picture stops where this piece (an end cap) begins, so
    // the cap's rounded corners show what lies behind the control instead of
    // the picture running on under the cap.
    void SetBackPictureEnd(QWidget* cap);
    void SetBackColor(const QColor& color);
    // Draws the control now instead of when the event loop gets to it, so a
    // new look is on screen before a handler runs.
    void RefreshNow();

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyGeometry(const QRectF& twips, bool forceResize = false);

    QString tag;
    bool userMode = true;
    bool inResize = false;
    bool placed = false;
    // The twip rectangle last applied, to tell our own resizes from those a
    // layout or the window system makes by pixels.
    QRectF applied;
    QPixmap backPicture;
    QWidget* backPictureEnd = nullptr;
    QColor backColor;
};
