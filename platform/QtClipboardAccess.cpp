#include "platform/QtClipboardAccess.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

QClipboard::Mode QtMode(ClipboardAccess::Mode mode)
{
    return mode == ClipboardAccess::Mode::Selection ? QClipboard::Selection : QClipboard::Clipboard;
}

} // namespace

bool QtClipboardAccess::SupportsSelection() const
{
    return QGuiApplication::clipboard()->supportsSelection();
}

bool QtClipboardAccess::CanSetWithoutFocus() const
{
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

std::unique_ptr<QMimeData> QtClipboardAccess::Read(Mode mode)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QtMode(mode));
    if (!data)
        return nullptr;
    // What a program offers is fetched now, before it is replaced.
    auto copy = std::make_unique<QMimeData>();
    for (const QString& format : data->formats())
        copy->setData(format, data->data(format));
    return copy;
}

void QtClipboardAccess::Set(QMimeData* data, Mode mode)
{
    // Replaced in one step: clearing first would leave the clipboard without
    // an owner for a moment, and a paste asked for then gets nothing.
    QGuiApplication::clipboard()->setMimeData(data, QtMode(mode));
}

bool QtClipboardAccess::Holds(const QMimeData* data, Mode mode) const
{
    return data && QGuiApplication::clipboard()->mimeData(QtMode(mode)) == data;
}
