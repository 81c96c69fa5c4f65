#pragma once

#include "controls/QKUserControl.h"

class QKLineEdit;
class QKPicture;

// The one-line text controls (QKText, QKFilter, QKSnippetEditWin): a field
// picture, an end cap picLeft flush with the right edge, and the text box
// oText inside. Text is oText's text; KeyPress(KeyAscii) is raised for every
// character key before oText applies it (see QKLineEdit: 0 discards it).
// No key, Enter included, means anything to the control itself.
class QKUI_EXPORT QKTextBox : public QKUserControl
{
    Q_OBJECT
public:
    QString Text() const;
    void SetText(const QString& value);
    QKLineEdit* TextBox() const { return oText; }

signals:
    void KeyPress(qint16& KeyAscii);

protected:
    struct Shape
    {
        QPixmap field;
        QPixmap cap;
        double minWidth;
        double maxWidth;
        double textLeft;
        double textTop;
        // oText is as wide as the control minus the cap and this margin.
        double textMargin;
    };

    QKTextBox(QWidget* parent, const Shape& shape);

    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void OnShow() override;
    // Runs after the program set Text.
    virtual void TextSet() {}

    QKLineEdit* oText;

private:
    QKPicture* picLeft;
    Shape shape;
};
