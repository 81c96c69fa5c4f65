#pragma once

#include "controls/QKUserControl.h"

class QKLabel;
class QKPicture;

// The light grey strip that shows the start of a snippet's content. It keeps
// the width the host gave it (600 to 3000); the text starts at left 50, what
// does not fit is cut, and a grey block at the right end fades the cut out
// (it hides the last 120 twips). The whole text is the label's hover text.
class QKUI_EXPORT QKContentTip : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKContentTip")
public:
    static constexpr double kMinWidth = 600;
    static constexpr double kMaxWidth = 3000;
    static constexpr double kLabelLeft = 50;
    static constexpr double kLabelTop = 37;
    static constexpr double kCapWidth = 120;
    static constexpr double kCapHeight = 255;

    explicit QKContentTip(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& value);
    QKLabel* Label() const { return lblCaption; }

protected:
    QAccessible::Role AccessibleRole() const override { return QAccessible::StaticText; }
    QString AccessibleName() const override { return Text(); }
    QList<QWidget*> AccessibleChildren() const override { return {}; }
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void OnShow() override;

private:
    QKPicture* picRight;
    QKLabel* lblCaption;
};
