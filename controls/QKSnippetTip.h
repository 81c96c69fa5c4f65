#pragma once

#include "controls/QKUserControl.h"

class QKLabel;
class QKPicture;

// The dark pill that shows an abbreviation. Setting Text sizes the tip to the
// text (2 x cap width + label width, kept within 600 to 1500) and centres the
// label; a longer text is cut at both ends, and the whole of it stays in the
// label's hover text.
class QKUI_EXPORT QKSnippetTip : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKSnippetTip")
public:
    static constexpr double kMinWidth = 600;
    static constexpr double kMaxWidth = 1500;
    static constexpr double kLabelTop = 15;

    explicit QKSnippetTip(QWidget* parent = nullptr);

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
    void CentreLabel();

    QKPicture* picRight;
    QKLabel* lblCaption;
};
