#pragma once

#include "controls/QKUIExport.h"

#include <QLineEdit>

// The one-line text box piece (oText) of the text controls: no frame, white,
// skin font and colour.
//
// KeyPress(KeyAscii) is emitted for every character key before the box
// applies it: KeyAscii is the character code (8 Backspace, 13 Enter, 27
// Escape, 1..26 for Ctrl+letter, else the character). The handler may change
// it: 0 discards the key, another code is applied in its place.
//
// A typing limit (0 = none) refuses characters typed beyond it and cuts
// pasted or dropped text to fit; text set by the program is not limited.
// KeyUp reports every key release with its Qt key code.
//
// A box that refuses whitespace drops every space, tab and line break that
// a paste, a drop, an input method or a key other than Space brings in (the
// Space key itself is left to the host, which may want to see it).
class QKUI_EXPORT QKLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    QKLineEdit(const QString& name, QWidget* parent);

    void SetTypingLimit(int characters) { typingLimit = characters; }
    int TypingLimit() const { return typingLimit; }
    void SetRefusesWhitespace(bool refuses) { refusesWhitespace = refuses; }
    bool RefusesWhitespace() const { return refusesWhitespace; }
    // The text without any whitespace character.
    static QString WithoutWhitespace(const QString& text);

    // The code a key event stands for, 0 when it is no character key.
    static qint16 KeyAsciiOf(const QKeyEvent* event);

signals:
    void KeyPress(qint16& KeyAscii);
    void KeyUp(int key, bool autoRepeat);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void ApplyKey(QKeyEvent* event, qint16 keyAscii);
    bool WouldExceedLimit(const QString& inserted) const;
    void CutToLimit(const QString& before);
    void DropWhitespace();

    int typingLimit = 0;
    bool refusesWhitespace = false;
};
