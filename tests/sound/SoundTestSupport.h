#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <vector>

// The sound names the options offer, each a file the build makes.
inline const QStringList kSoundNames = {"type", "balloon", "click", "kata", "plink", "tadi"};

inline QString SoundPath(const QString& name)
{
    return QStringLiteral(QUILLO_WAV_DIR "/%1.wav").arg(name);
}

// A sound file's bytes as the program holds them: the file plus one 0 byte.
inline QByteArray LoadSound(const QString& name)
{
    QFile file(SoundPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll() + QByteArray(1, '\0');
}

inline std::vector<qint16> Int16Samples(const QByteArray& pcm)
{
    std::vector<qint16> out(size_t(pcm.size() / 2));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = qint16(quint16(quint8(pcm[qsizetype(2 * i)]) | quint8(pcm[qsizetype(2 * i + 1)]) << 8));
    return out;
}

// Frames from the first to the last sample louder than `threshold`; 0 for
// silence.
inline size_t AudibleSpan(const std::vector<qint16>& samples, int threshold)
{
    size_t first = samples.size(), last = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > threshold) {
            first = std::min(first, i);
            last = i;
        }
    }
    return first <= last && first < samples.size() ? last - first + 1 : 0;
}

inline int Peak(const std::vector<qint16>& samples)
{
    int peak = 0;
    for (qint16 s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}
