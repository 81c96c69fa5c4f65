#pragma once

#include "platform/SoundPlayer.h"

#include <QAudio>
#include <QBuffer>
#include <QObject>
#include <QTimer>

#include <memory>

class QAudioSink;

// Plays WAV images held in memory on the default audio output, without
// waiting: Play returns at once and the sound runs on the event loop. A new
// Play cuts the sound still playing. With no audio output, or a sound that is
// not a playable WAV image, nothing is heard and nothing else happens.
class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
    explicit QtSoundPlayer(QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    void Play(const QByteArray& wavBytes) override;

    // True from a successful start until the sound has been played out.
    bool IsPlaying() const { return m_sink != nullptr; }

private:
    void Stop();
    void OnStateChanged(QAudio::State state);
    void WarnOnce(const QByteArray& wavBytes, const QString& reason);

    // Declared before the sink so that the sink, which reads it, goes first.
    QBuffer m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
    // The sink reports idle once it has handed the last bytes over, while the
    // audio server may still be playing them; the stream is released later.
    QTimer m_releaseTimer;
    qint64 m_durationMs = 0;
    quint64 m_started = 0;  // counts sounds started, to tell them apart
    size_t m_lastRefusedHash = 0;
};
