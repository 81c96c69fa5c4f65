#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

class QDBusMessage;

// Text insertions and deletions that applications report on the desktop's
// accessibility bus, each with the moment it arrived: how long an expansion
// takes in an editor that cannot trace itself (a GTK editor). The events are
// taken on a thread of their own, so a benchmark busy typing or waiting for
// a helper program does not delay the moment noted.
//
// Toolkits send these events only while someone listens, and an editor
// that sends them does a little more work per change: start the watch only
// for the editor it measures.
class TextChangeWatch : public QObject
{
    Q_OBJECT

public:
    struct Change
    {
        qint64 nanoseconds = 0; // on the steady clock of Elapsed()
        bool inserted = false;
        int length = 0;         // characters inserted or deleted
        QString text;           // what was inserted, as the toolkit gave it
        QString service;        // the application's connection
        QString path;           // its text object
    };

    TextChangeWatch();
    ~TextChangeWatch() override;

    // Connects to the accessibility bus of the session bus this process
    // uses and asks toolkits for text changes. False, with error, if not.
    bool Start(QString* error);
    // Every change seen so far, in order of arrival.
    QList<Change> Changes() const;
    qsizetype Count() const;
    // The number of characters of a text object, -1 if it does not answer.
    int CharacterCount(const QString& service, const QString& path) const;

private slots:
    void OnTextChanged(const QDBusMessage& message);

private:
    QThread thread;
    QString connectionName;
    QElapsedTimer clock;
    mutable QMutex lock;
    QList<Change> changes;
};
