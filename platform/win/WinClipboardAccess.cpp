#include "platform/win/WinClipboardAccess.h"

#include <QByteArray>
#include <QString>

void WinClipboardAccess::MarkPrivate(QMimeData* data)
{
    // The two "Can..." formats say no with a DWORD 0; the first says it by
    // being there at all.
    const QByteArray no(4, '\0');
    data->setData(QString::fromLatin1(kExcludeFormat), QByteArray());
    data->setData(QString::fromLatin1(kHistoryFormat), no);
    data->setData(QString::fromLatin1(kCloudFormat), no);
}

void WinClipboardAccess::Set(QMimeData* data, Mode mode)
{
    if (data)
        MarkPrivate(data);
    QtClipboardAccess::Set(data, mode);
}
