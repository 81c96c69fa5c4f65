#include "platform/DesktopUrlOpener.h"

#include <QDesktopServices>

bool DesktopUrlOpener::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}
