#include "app/MessageBoxNotifier.h"

#include <QMessageBox>

namespace {

void Show(QMessageBox::Icon icon, const QString& text)
{
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
