#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The playable part of a RIFF/WAVE image held in memory: its PCM format and
// its whole sample frames. Only uncompressed 8- or 16-bit mono or stereo PCM
// is accepted; anything else, malformed or cut short, is refused.
class WavImage
{
public:
    // Reads the image; on refusal returns nothing and, if asked, says why.
    // Bytes after the RIFF chunk (such as a trailing 0 added by the loader)
    // are ignored.
    static std::optional<WavImage> Parse(const QByteArray& bytes, QString* whyRefused = nullptr);

    int Channels() const { return m_channels; }
    int SampleRate() const { return m_sampleRate; }
    int BitsPerSample() const { return m_bitsPerSample; }
    int BytesPerFrame() const { return m_channels * m_bitsPerSample / 8; }
    qint64 FrameCount() const { return m_samples.size() / BytesPerFrame(); }
    qint64 DurationMs() const { return FrameCount() * 1000 / m_sampleRate; }

    // Interleaved frames, little-endian; 8-bit samples are unsigned.
    const QByteArray& Samples() const { return m_samples; }

private:
    WavImage(int channels, int sampleRate, int bitsPerSample, QByteArray samples);

    int m_channels;
    int m_sampleRate;
    int m_bitsPerSample;
    QByteArray m_samples;
};
