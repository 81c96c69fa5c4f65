#include "controls/QKLineEdit.h"

#include "controls/Skins.h"

#include <QKeyEvent>
#include <QPointer>

namespace {
constexpr qint16 kAsciiBackspace = 8;
constexpr qint16 kAsciiEnter = 13;
constexpr qint16 kAsciiEscape = 27;
constexpr qint16 kAsciiDelete = 127;

bool ChangesText(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::MouseButtonRelease: // middle-button paste of the selection
        return true;
    default:
        return false;
    }
}
}

QKLineEdit::QKLineEdit(const QString& name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    setFrame(false);
    setFont(Skins::TextFont());
    setTextMargins(0, 0, 0, 0);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Skins::TextColor());
    setPalette(pal);
    setStyleSheet(QString("QLineEdit { border: none; padding: 0px; background: %1; color: %2; }")
                      .arg(Skins::White().name(), Skins::TextColor().name()));
}

qint16 QKLineEdit::KeyAsciiOf(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
        return kAsciiBackspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kAsciiEnter;
    case Qt::Key_Escape:
        return kAsciiEscape;
    case Qt::Key_Delete:
        return 0; // an editing key, not a character
    default:
        break;
    }
    const QString text = event->text();
    if (text.isEmpty())
        return 0;
    const qint16 code = qint16(text.at(0).unicode());
    return code == kAsciiDelete ? 0 : code;
}

bool QKLineEdit::event(QEvent* e)
{
    if ((typingLimit <= 0 && !refusesWhitespace) || !ChangesText(e->type()))
        return QLineEdit::event(e);
    const bool spaceKey = e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space;
    const QString before = text();
    const QPointer<QKLineEdit> alive(this);
    const bool handled = QLineEdit::event(e);
    if (!alive)
        return handled;
    // Whitespace goes first, so a paste of "a b c" keeps the characters
    // that fit rather than the spaces between them.
    if (refusesWhitespace && !spaceKey)
        DropWhitespace();
    if (typingLimit > 0)
        CutToLimit(before);
    return handled;
}

QString QKLineEdit::WithoutWhitespace(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace())
            kept += c;
    return kept;
}

void QKLineEdit::DropWhitespace()
{
    const QString now = text();
    const QString kept = WithoutWhitespace(now);
    if (kept == now)
        return;
    const int cursor = cursorPosition();
    const int before = int(WithoutWhitespace(now.left(cursor)).size());
    setText(kept);
    setCursorPosition(before);
}

void QKLineEdit::keyPressEvent(QKeyEvent* event)
{
    const qint16 original = KeyAsciiOf(event);
    if (original == 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    qint16 keyAscii = original;
    const QPointer<QKLineEdit> alive(this);
    emit KeyPress(keyAscii);
    if (!alive)
        return; // the handler closed the window holding the box
    if (keyAscii == 0) {
        event->accept();
        return;
    }
    ApplyKey(event, keyAscii == original ? qint16(0) : keyAscii);
}

void QKLineEdit::ApplyKey(QKeyEvent* event, qint16 replacement)
{
    if (replacement == 0) {
        const QString typed = event->text();
        if (!typed.isEmpty() && typed.at(0).isPrint() && WouldExceedLimit(typed)) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The handler asked for another character: apply that one as if typed.
    int key = Qt::Key_unknown;
    const QString text = QString(QChar(char16_t(quint16(replacement))));
    if (replacement == kAsciiBackspace)
        key = Qt::Key_Backspace;
    else if (replacement == kAsciiEnter)
        key = Qt::Key_Return;
    else if (replacement == kAsciiEscape)
        key = Qt::Key_Escape;
    else if (replacement > 0 && replacement < 128 && QChar(replacement).isLetterOrNumber())
        key = QChar(replacement).toUpper().unicode();
    if (text.at(0).isPrint() && WouldExceedLimit(text)) {
        event->accept();
        return;
    }
    QKeyEvent substitute(QEvent::KeyPress, key, Qt::NoModifier, text, event->isAutoRepeat());
    QLineEdit::keyPressEvent(&substitute);
    event->setAccepted(substitute.isAccepted());
}

bool QKLineEdit::WouldExceedLimit(const QString& inserted) const
{
    if (typingLimit <= 0)
        return false;
    const qsizetype kept = text().size() - selectedText().size();
    return !inserted.isEmpty() && kept + inserted.size() > typingLimit;
}

void QKLineEdit::CutToLimit(const QString& before)
{
    QString now = text();
    const qsizetype allowed = qMax<qsizetype>(typingLimit, before.size());
    if (now.size() <= allowed)
        return;
    const qsizetype excess = now.size() - allowed;
    int cursor = cursorPosition();
    const qsizetype from = qMax<qsizetype>(0, cursor - excess);
    now.remove(from, excess);
    setText(now);
    setCursorPosition(int(from));
}

void QKLineEdit::keyReleaseEvent(QKeyEvent* event)
{
    emit KeyUp(event->key(), event->isAutoRepeat());
    QLineEdit::keyReleaseEvent(event);
}
