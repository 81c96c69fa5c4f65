#include "controls/QKSnippetEditWin.h"

#include "controls/QKLineEdit.h"
#include "controls/Skins.h"

QKSnippetEditWin::QKSnippetEditWin(QWidget* parent)
    : QKTextBox(parent, Shape{Skins::TextField(), Skins::TextFieldCap(), 600, 3000, 45, 30, 50})
{
    oText->SetTypingLimit(kMaxCharacters);
    oText->SetRefusesWhitespace(true);
    connect(oText, &QKLineEdit::KeyUp, this, &QKSnippetEditWin::KeyReleased);
}

void QKSnippetEditWin::KeyReleased(int key, bool autoRepeat)
{
    if (key == Qt::Key_Space) {
        // The window system reports held keys as release/press pairs; only
        // the real release ends the Space.
        if (autoRepeat)
            return;
        oText->setText(remembered);
        oText->setCursorPosition(int(remembered.size()));
        return;
    }
    remembered = oText->text();
}

void QKSnippetEditWin::TextSet()
{
    const QString kept = QKLineEdit::WithoutWhitespace(oText->text());
    if (kept != oText->text())
        oText->setText(kept);
    remembered = oText->text();
}
