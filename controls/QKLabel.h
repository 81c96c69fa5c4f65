#pragma once

#include "controls/QKUIExport.h"

#include <QLabel>

// A caption piece (lblCaption): plain text in the skins' font, drawn
// transparently over the control, always exactly as large as its text
// (auto-size), so its width follows the caption. Left/top stay where the
// control put them.
class QKUI_EXPORT QKLabel : public QLabel
{
    Q_OBJECT
public:
    QKLabel(const QString& name, QWidget* parent);

    void SetCaption(const QString& text);
    QString Caption() const { return text(); }
    void SetTextColor(const QColor& color);
    double Width() const;
    // Makes a label that acts when clicked (a link) reachable by Tab, with
    // a focus ring, and clicked by Space or Enter.
    void SetTakesFocus(bool takes);

signals:
    void MouseDown(Qt::MouseButton button);
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitToText();
};
