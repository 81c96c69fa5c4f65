#pragma once

#include "controls/QKUserControl.h"

class QKLabel;
class QKPicture;

// A radio button on white: a two-look mark (clear, selected) and a caption.
// Any click on the control selects it and raises Click, even when it was
// selected already; it never clears itself: keeping one choice among several
// is the host's work (it clears the others in its Click handler).
class QKUI_EXPORT QKRatio : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKRatio")
public:
    static constexpr double kLabelLeft = 265;
    static constexpr double kLabelTop = 15;

    explicit QKRatio(QWidget* parent = nullptr);

    QString Caption() const;
    void SetCaption(const QString& value);
    bool Value() const { return value; }
    void SetValue(bool newValue);
    double LookHeight() const { return lookHeight; }
    int CurrentLook() const;

signals:
    void Click();

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::RadioButton; }
    QString AccessibleName() const override { return Caption(); }
    void AccessibleState(QAccessible::State& state) const override;
    QString AccessibleAction() const override;
    void AccessibleDoAction() override { Select(); }
    QList<QWidget*> AccessibleChildren() const override { return {}; }

private:
    void Select();
    void DrawMark();

    QKPicture* picMark;
    QKLabel* lblCaption;
    double lookHeight;
    bool value = false;
};
