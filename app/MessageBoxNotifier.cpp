#include "app/MessageBoxNotifier.h"

#include "core/ProgramLog.h"

#include <QMessageBox>

namespace {

void Show(QMessageBox::Icon icon, const QString& text)
{
    // What went wrong, for bug reports; plain notices are not problems.
    if (icon != QMessageBox::NoIcon)
        ProgramLog::Info(QStringLiteral("box: %1").arg(text));
    QMessageBox box(icon, QString::fromLatin1(MessageBoxNotifier::kTitle), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

void MessageBoxNotifier::Plain(const QString& text)
{
    Show(QMessageBox::NoIcon, text);
}

void MessageBoxNotifier::Critical(const QString& text)
{
    Show(QMessageBox::Critical, text);
}

void MessageBoxNotifier::Warning(const QString& text)
{
    Show(QMessageBox::Warning, text);
}

UserNotifier::Answer MessageBoxNotifier::AskToSave(const QString& text, bool mayCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Save | QMessageBox::Discard;
    if (mayCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kTitle), text, buttons);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(mayCancel ? QMessageBox::Cancel : QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Discard:
        return Answer::Discard;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Save;
    }
}
