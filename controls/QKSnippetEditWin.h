#pragma once

#include "controls/QKTextBox.h"

// The abbreviation field: at most 10 typed characters and no spaces. A typed
// space stays only until its key is released: every release of another key
// remembers the text, the release of Space puts the remembered text back and
// the caret at its end. So held Space (auto-repeat) types several spaces that
// all vanish together. Text set by the program is not limited, and it is
// remembered too: a Space pressed first thing must not wipe an abbreviation
// the window loaded.
//
// An abbreviation with a space or a line break in it could never be typed
// as one word: whitespace pasted, dropped or set by the program is removed
// (the 10-character cut of a paste then keeps what fits).
class QKUI_EXPORT QKSnippetEditWin : public QKTextBox
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKSnippetEditWin")
public:
    static constexpr int kMaxCharacters = 10;

    explicit QKSnippetEditWin(QWidget* parent = nullptr);

    QString RememberedText() const { return remembered; }

protected:
    void TextSet() override;

private:
    void KeyReleased(int key, bool autoRepeat);

    QString remembered;
};
