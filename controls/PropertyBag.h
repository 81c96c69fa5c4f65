#pragma once

#include "controls/QKUIExport.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// A control's saved design-time properties: one key per property with a typed
// value, kept in the order the control wrote them. Keys compare without
// regard to letter case.
//
// Writing with a default leaves the key out when the value equals the default
// (that is how an empty string stays unwritten); writing without one always
// stores the value. Reading gives the stored value converted to the asked
// type, or the caller's default when the key is missing or its value cannot be
// converted. Has() tells a missing key from a stored default.
//
// ToBytes()/FromBytes() carry a bag through a file or the clipboard;
// FromBytes() rejects damaged input with false and leaves the bag untouched.
class QKUI_EXPORT PropertyBag
{
public:
    void WriteProperty(const QString& key, const QVariant& value);
    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue);

    bool Has(const QString& key) const;
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue = QVariant()) const;
    QString ReadString(const QString& key, const QString& defaultValue = QString()) const;
    bool ReadBool(const QString& key, bool defaultValue) const;
    qint16 ReadInt16(const QString& key, qint16 defaultValue) const;
    qint32 ReadInt32(const QString& key, qint32 defaultValue) const;

    QStringList Keys() const;
    int Count() const { return int(entries.size()); }
    void Clear() { entries.clear(); }

    QByteArray ToBytes() const;
    bool FromBytes(const QByteArray& bytes);

private:
    int IndexOf(const QString& key) const;
    template <typename T> T ReadNumber(const QString& key, T defaultValue) const;

    QList<QPair<QString, QVariant>> entries;
};
