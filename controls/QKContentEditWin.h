#pragma once

#include "controls/QKUserControl.h"

class QKPicture;
class QPlainTextEdit;

// The multi-line content editor: a white panel with finished right and bottom
// edges and a borderless, scroll-bar-less text box oText inset by 30 twips.
// Width at most 5200, height at most 3400. InsertText replaces the selection
// (or inserts at the caret) without notifying "Text".
//
// Tab and Shift+Tab move the focus on, as in every other field of a window;
// Ctrl+Tab types a tab character.
class QKUI_EXPORT QKContentEditWin : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKContentEditWin")
public:
    static constexpr double kMaxWidth = 5200;
    static constexpr double kMaxHeight = 3400;
    static constexpr double kInset = 30;

    explicit QKContentEditWin(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& value);
    qint32 InsertText(const QString& txtStr);
    QPlainTextEdit* TextBox() const { return oText; }

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* oText;
    QKPicture* picTopRight;
    QKPicture* picBotLeft;
    QKPicture* picBotRight;
};
