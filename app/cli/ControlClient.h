#pragma once

#include <QJsonObject>
#include <QString>

// The command line's end of the control channel: one command to the running
// program and its reply. Blocking, with time limits; the command line has
// nothing else to do meanwhile.
class ControlClient
{
public:
    enum class Outcome
    {
        Replied,    // the program answered (the reply may still be a failure)
        NotRunning, // nobody listens: Quillo is not running
        Failed,     // a program listens but the exchange failed
        OtherFolder // the running program serves another folder than the one named
    };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QJsonObject reply; // when Replied
        QString error;     // when Failed, or the reply's own error
        QString servedFolder; // when OtherFolder: the folder the running program serves
    };

    // folder: the program folder the commands are meant for; "" for
    // whichever the running program serves.
    explicit ControlClient(QString socketPath, QString folder = QString());

    Result Send(const QString& command, int timeoutMs) const;
    // Tells a running program that the store changed; quiet and quick when
    // no program runs.
    void NotifyStoreChanged() const;

private:
    QString socketPath;
    QString folder;
};
