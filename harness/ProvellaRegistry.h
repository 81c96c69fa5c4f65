#pragma once

#include "harness/ProvellaExport.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Creates the library's objects by programmatic identifier, so a host can
// place them without compiling against their headers: "Provella.TestCase",
// "Provella.TestUnit", "Provella.AssertHelper".
class PROVELLA_EXPORT ProvellaRegistry
{
public:
    using Factory = std::function<QObject*(QWidget* parent, const QString& instanceName)>;

    // Identifiers compare without regard to case. Throws ProvellaError for an
    // identifier nobody registered. Controls get the instance name (or their
    // class's default name when it is empty) and the parent given.
    static QObject* Create(const QString& progId, QWidget* parent = nullptr,
                           const QString& instanceName = QString());

    static QStringList ProgIds();
};
