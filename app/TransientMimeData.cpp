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
    if (requested && mimeType != QLatin1String(kTransientFormat))
        requested();
    return QMimeData::retrieveData(mimeType, type);
}
