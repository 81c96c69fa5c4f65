#pragma once

#include "controls/QKUserControl.h"

class QKLabel;
class QKPicture;

// A check box on white: a two-look mark (clear, ticked) and a caption. A
// click on the mark or the caption toggles Value between 0 and 1 and then
// raises Click; elsewhere on the surface a click does nothing. Setting Value
// from the program raises no Click. The height is always one look (225).
class QKUI_EXPORT QKCheck : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKCheck")
public:
    static constexpr double kLabelLeft = 265;
    static constexpr double kLabelTop = 15;

    explicit QKCheck(QWidget* parent = nullptr);

    QString Caption() const;
    void SetCaption(const QString& value);
    qint16 Value() const { return value; }
    void SetValue(qint16 newValue);
    double LookHeight() const { return lookHeight; }
    int CurrentLook() const;

signals:
    void Click();

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::CheckBox; }
    QString AccessibleName() const override { return Caption(); }
    void AccessibleState(QAccessible::State& state) const override;
    QString AccessibleAction() const override;
    void AccessibleDoAction() override { Toggle(); }
    QList<QWidget*> AccessibleChildren() const override { return {}; }

private:
    void Toggle();
    void DrawMark();

    QKPicture* picMark;
    QKLabel* lblCaption;
    double lookHeight;
    qint16 value = 0;
};
