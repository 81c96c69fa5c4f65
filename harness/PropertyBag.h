#pragma once

#include "harness/ProvellaExport.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// The per-instance store a control saves its design-time properties to and
// reads them back from. Only values that differ from their default are kept,
// so a control saved with defaults leaves the bag empty; keys keep the order
// in which they were first written.
class PROVELLA_EXPORT PropertyBag
{
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = QVariant());

    bool Contains(const QString& name) const;
    QStringList Keys() const;
    bool IsEmpty() const { return entries.isEmpty(); }

private:
    qsizetype IndexOf(const QString& name) const;

    QList<QPair<QString, QVariant>> entries;
};
