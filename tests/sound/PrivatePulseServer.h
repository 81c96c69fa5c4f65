#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

// A PulseAudio daemon of the test's own, with one null sink as its only
// output, and a recorder on that sink's monitor. Everything lives in a
// temporary folder and is stopped when the object goes; the user's own
// sound server is never touched.
class PrivatePulseServer
{
public:
    PrivatePulseServer() = default;
    ~PrivatePulseServer();

    // Whether the daemon, its control tool and the recorder are installed.
    static bool ToolsAvailable();

    // Starts the daemon and waits until it accepts clients. On failure says
    // why in Error().
    bool Start();
    // Starts recording the null sink (16-bit mono) afresh and waits until
    // audio (the sink's silence, at first) flows.
    bool StartRecording();

    QString Error() const { return m_error; }
    // What PULSE_SERVER must hold for a client to use this daemon.
    QByteArray Address() const;
    // Everything recorded so far.
    std::vector<qint16> Recorded();

    static constexpr int kRecordRate = 44100;

private:
    // Runs pactl against this daemon; true if it succeeded.
    bool Ask(const QStringList& pactlArguments);
    void StopProcess(QProcess& process);

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_recorder;
    QByteArray m_recorded;
    QString m_error;
};
