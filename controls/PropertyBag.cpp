#include "controls/PropertyBag.h"

#include <QDataStream>
#include <QIODevice>
#include <cmath>
#include <limits>

namespace {
// Marks the serialised form so that foreign bytes are refused, not misread.
constexpr quint32 kMagic = 0x514B5042; // "QKPB"
constexpr quint16 kFormatVersion = 1;
}

int PropertyBag::IndexOf(const QString& key) const
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].first.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value)
{
    const int i = IndexOf(key);
    if (i >= 0)
        entries[i].second = value;
    else
        entries.append({key, value});
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue)
{
    if (value == defaultValue) {
        // A value equal to its default is represented by the key's absence.
        const int i = IndexOf(key);
        if (i >= 0)
            entries.removeAt(i);
        return;
    }
    WriteProperty(key, value);
}

bool PropertyBag::Has(const QString& key) const
{
    return IndexOf(key) >= 0;
}

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const
{
    const int i = IndexOf(key);
    return i >= 0 ? entries[i].second : defaultValue;
}

QString PropertyBag::ReadString(const QString& key, const QString& defaultValue) const
{
    const int i = IndexOf(key);
    if (i < 0 || !entries[i].second.canConvert<QString>())
        return defaultValue;
    return entries[i].second.toString();
}

bool PropertyBag::ReadBool(const QString& key, bool defaultValue) const
{
    const int i = IndexOf(key);
    if (i < 0)
        return defaultValue;
    const QVariant& v = entries[i].second;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare("true", Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare("false", Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const double d = s.toDouble(&ok);
        return ok ? d != 0 : defaultValue;
    }
    return v.canConvert<bool>() ? v.toBool() : defaultValue;
}

template <typename T> T PropertyBag::ReadNumber(const QString& key, T defaultValue) const
{
    const int i = IndexOf(key);
    if (i < 0)
        return defaultValue;
    const QVariant& v = entries[i].second;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? T(-1) : T(0); // a stored Boolean reads as -1/0
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || std::isnan(d))
        return defaultValue;
    const double r = std::nearbyint(d);
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        return defaultValue; // would overflow: the stored value is not usable
    return T(r);
}

qint16 PropertyBag::ReadInt16(const QString& key, qint16 defaultValue) const
{
    return ReadNumber<qint16>(key, defaultValue);
}

qint32 PropertyBag::ReadInt32(const QString& key, qint32 defaultValue) const
{
    return ReadNumber<qint32>(key, defaultValue);
}

QStringList PropertyBag::Keys() const
{
    QStringList keys;
    for (const auto& e : entries)
        keys << e.first;
    return keys;
}

QByteArray PropertyBag::ToBytes() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kFormatVersion << qint32(entries.size());
    for (const auto& e : entries)
        out << e.first << e.second;
    return bytes;
}

bool PropertyBag::FromBytes(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint16 version = 0;
    qint32 count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kFormatVersion || count < 0)
        return false;
    QList<QPair<QString, QVariant>> read;
    for (qint32 i = 0; i < count; ++i) {
        QString key;
        QVariant value;
        in >> key >> value;
        if (in.status() != QDataStream::Ok)
            return false;
        read.append({key, value});
    }
    if (!in.atEnd())
        return false;
    entries = read;
    return true;
}
