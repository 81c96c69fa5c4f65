#pragma once

#include "controls/QKUserControl.h"

class QKLabel;
class QKPicture;

// A text push button with a rounded end cap. It clicks on the press of any
// mouse button (on the body, the caption or the cap) and has no pressed look.
// Width 600 to 3000, height at most the cap's 270. The caption is centred on
// every resize, show and read of Text.
class QKUI_EXPORT QKCommonButton : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKCommonButton")
public:
    static constexpr double kMinWidth = 600;
    static constexpr double kMaxWidth = 3000;
    static constexpr double kCaptionTop = 37;

    explicit QKCommonButton(QWidget* parent = nullptr);

    // Reading also centres the caption again (the label may have been
    // re-sized since the last layout).
    QString Text();
    void SetText(const QString& value);

signals:
    void Click();

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void OnShow() override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::Button; }
    QString AccessibleName() const override;
    QString AccessibleAction() const override;
    void AccessibleDoAction() override { emit Click(); }
    QList<QWidget*> AccessibleChildren() const override { return {}; }

private:
    void CentreCaption();

    QKPicture* picRight;
    QKLabel* lblCaption;
};
