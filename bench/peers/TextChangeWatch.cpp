#include "TextChangeWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QMutexLocker>

namespace {

constexpr const char* kEventInterface = "org.a11y.atspi.Event.Object";
constexpr const char* kTextChanged = "TextChanged";
constexpr int kCallTimeoutMs = 2000;

} // namespace

TextChangeWatch::TextChangeWatch() : connectionName(QStringLiteral("peers-a11y"))
{
    clock.start();
}

TextChangeWatch::~TextChangeWatch()
{
    thread.quit();
    thread.wait();
    QDBusConnection::disconnectFromBus(connectionName);
}

bool TextChangeWatch::Start(QString* error)
{
    const QDBusReply<QString> address = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"),
        QDBus::Block, kCallTimeoutMs);
    if (!address.isValid()) {
        *error = "no accessibility bus: " + address.error().message();
        return false;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address.value(), connectionName);
    if (!bus.isConnected()) {
        *error = "cannot connect to the accessibility bus: " + bus.lastError().message();
        return false;
    }
    // Slots of an object living on another thread are called there.
    thread.start();
    moveToThread(&thread);
    if (!bus.connect(QString(), QString(), kEventInterface, kTextChanged, this,
                     SLOT(OnTextChanged(QDBusMessage)))) {
        *error = "cannot listen for text changes: " + bus.lastError().message();
        return false;
    }
    QDBusMessage registration = QDBusMessage::createMethodCall(
        "org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "org.a11y.atspi.Registry", "RegisterEvent");
    registration << QStringLiteral("object:text-changed") << QStringList() << QString();
    const QDBusMessage reply = bus.call(registration, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = "the accessibility registry refused the listener: " + reply.errorMessage();
        return false;
    }
    return true;
}

void TextChangeWatch::OnTextChanged(const QDBusMessage& message)
{
    const qint64 now = clock.nsecsElapsed();
    const QList<QVariant> arguments = message.arguments();
    Change change;
    change.nanoseconds = now;
    // "insert" or "delete", possibly with ":system" after it.
    const QString kind = arguments.value(0).toString();
    change.inserted = kind.startsWith(QLatin1String("insert"));
    if (!change.inserted && !kind.startsWith(QLatin1String("delete")))
        return;
    change.length = arguments.value(2).toInt();
    change.text = arguments.value(3).value<QDBusVariant>().variant().toString();
    change.service = message.service();
    change.path = message.path();
    QMutexLocker locked(&lock);
    changes.append(change);
}

QList<TextChangeWatch::Change> TextChangeWatch::Changes() const
{
    QMutexLocker locked(&lock);
    return changes;
}

qsizetype TextChangeWatch::Count() const
{
    QMutexLocker locked(&lock);
    return changes.size();
}

int TextChangeWatch::CharacterCount(const QString& service, const QString& path) const
{
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Properties", "Get");
    get << QStringLiteral("org.a11y.atspi.Text") << QStringLiteral("CharacterCount");
    const QDBusMessage reply = QDBusConnection(connectionName).call(get, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    return reply.arguments().value(0).value<QDBusVariant>().variant().toInt();
}
