#include "app/TransientMimeData.h"

TransientMimeData::TransientMimeData(const QString& text)
{
    setText(text);
    setData(QString::fromLatin1(kTransientFormat), QByteArray("1"));
}

QStringList TransientMimeData::formats() const
{
    if (formatsAsked)
        formatsAsked();
    return QMimeData::formats();
}

QVariant TransientMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    // Windows' clipboard history and cloud clipboard read the markers that
    // keep them out (Windows-named formats) at every change: no paste.
    if (requested && mimeType != QLatin1String(kTransientFormat) &&
        !mimeType.startsWith(QLatin1String(kWindowsFormatPrefix)))
        requested();
    return QMimeData::retrieveData(mimeType, type);
}
