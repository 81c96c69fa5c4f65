#include "harness/ProvellaRegistry.h"

#include "harness/AssertHelper.h"
#include "harness/ProvellaError.h"
#include "harness/TestCase.h"
#include "harness/TestUnit.h"

#include <QList>
#include <QPair>

namespace {

QString NameOr(const QString& instanceName, const char* fallback)
{
    return instanceName.isEmpty() ? QString::fromLatin1(fallback) : instanceName;
}

const QList<QPair<QString, ProvellaRegistry::Factory>>& Entries()
{
    static const QList<QPair<QString, ProvellaRegistry::Factory>> entries = {
        {QStringLiteral("Provella.TestCase"),
         [](QWidget* parent, const QString& name) -> QObject* {
             return new TestCase(NameOr(name, "TestCase1"), parent);
         }},
        {QStringLiteral("Provella.TestUnit"),
         [](QWidget* parent, const QString& name) -> QObject* {
             return new TestUnit(NameOr(name, "TestUnit1"), parent);
         }},
        {QStringLiteral("Provella.AssertHelper"),
         [](QWidget* parent, const QString& name) -> QObject* {
             auto* helper = new AssertHelper(parent);
             helper->setObjectName(name);
             return helper;
         }},
    };
    return entries;
}

} // namespace

QObject* ProvellaRegistry::Create(const QString& progId, QWidget* parent, const QString& instanceName)
{
    for (const auto& entry : Entries()) {
        if (entry.first.compare(progId, Qt::CaseInsensitive) == 0)
            return entry.second(parent, instanceName);
    }
    throw ProvellaError(ProvellaError::kCannotCreateObject, QStringLiteral("ProvellaRegistry"),
                        QStringLiteral("Cannot create object: no class is registered as \"%1\".")
                            .arg(progId));
}

QStringList ProvellaRegistry::ProgIds()
{
    QStringList ids;
    for (const auto& entry : Entries())
        ids.append(entry.first);
    return ids;
}
