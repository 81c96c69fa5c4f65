#include "platform/sound/QtSoundPlayer.h"

#include "platform/sound/WavImage.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QtDebug>

namespace {

// How long after the last bytes were handed over the stream is kept open:
// the whole sound may still sit in the server's buffer, plus its latency.
constexpr qint64 kReleaseMarginMs = 500;

}  // namespace

QtSoundPlayer::QtSoundPlayer(QObject* parent) : QObject(parent)
{
    m_releaseTimer.setSingleShot(true);
    connect(&m_releaseTimer, &QTimer::timeout, this, &QtSoundPlayer::Stop);
}

QtSoundPlayer::~QtSoundPlayer()
{
    Stop();
}

void QtSoundPlayer::Play(const QByteArray& wavBytes)
{
    Stop();

    // A missing or empty sound file is a normal choice, not worth a word.
    if (wavBytes.count('\0') == wavBytes.size())
        return;

    QString why;
    const std::optional<WavImage> image = WavImage::Parse(wavBytes, &why);
    if (!image) {
        WarnOnce(wavBytes, why);
        return;
    }

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;  // no audio here: stay silent

    QAudioFormat format;
    format.setSampleRate(image->SampleRate());
    format.setChannelCount(image->Channels());
    format.setSampleFormat(image->BitsPerSample() == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        WarnOnce(wavBytes, QStringLiteral("the audio output cannot play this format"));
        return;
    }

    m_buffer.setData(image->Samples());
    m_buffer.open(QIODevice::ReadOnly);
    m_durationMs = image->DurationMs();
    ++m_started;
    m_sink = std::make_unique<QAudioSink>(device, format);
    connect(m_sink.get(), &QAudioSink::stateChanged, this, &QtSoundPlayer::OnStateChanged);
    m_sink->start(&m_buffer);
    if (m_sink && m_sink->error() != QAudio::NoError)
        Stop();
}

void QtSoundPlayer::Stop()
{
    m_releaseTimer.stop();
    if (m_sink) {
        // Taken out and disconnected first: stopping reports a state change,
        // and that must not reach a player already busy with the next sound.
        std::unique_ptr<QAudioSink> sink = std::move(m_sink);
        sink->disconnect(this);
        sink->stop();
    }
    m_buffer.close();
    m_buffer.setData(QByteArray());
}

void QtSoundPlayer::OnStateChanged(QAudio::State state)
{
    if (!m_sink)
        return;
    if (state == QAudio::IdleState && m_sink->error() == QAudio::NoError && m_buffer.atEnd()) {
        m_releaseTimer.start(int(m_durationMs + kReleaseMarginMs));
    } else if (state == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
        // The sink cannot be deleted inside its own signal; by the time the
        // queued call runs, a newer sound may have replaced it.
        const quint64 failed = m_started;
        QMetaObject::invokeMethod(this, [this, failed] {
            if (m_started == failed)
                Stop();
        }, Qt::QueuedConnection);
    }
}

void QtSoundPlayer::WarnOnce(const QByteArray& wavBytes, const QString& reason)
{
    // The same sound is played at every expansion: say it once, not each time.
    const size_t hash = qHash(wavBytes);
    if (hash == m_lastRefusedHash)
        return;
    m_lastRefusedHash = hash;
    qWarning().noquote() << "Sound not played:" << reason;
}
