#include "platform/sound/WavImage.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 kRiffHeaderSize = 12;   // "RIFF", size, "WAVE"
constexpr qint64 kChunkHeaderSize = 8;   // id, size
constexpr qint64 kPcmFmtSize = 16;
constexpr qint64 kExtensibleFmtSize = 40;
constexpr quint16 kFormatPcm = 0x0001;
constexpr quint16 kFormatExtensible = 0xFFFE;
constexpr int kSubFormatOffset = 24;     // inside an extensible "fmt " body
// The tail every standard sub-format GUID shares; the first two bytes are the
// format tag, which must say PCM.
constexpr char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, char(0x80),
                                0x00, 0x00, char(0xAA), 0x00, 0x38, char(0x9B), 0x71};
// Rates outside this range are not sound files anyone means to play.
constexpr quint32 kMinSampleRate = 4000;
constexpr quint32 kMaxSampleRate = 192000;

quint16 ReadU16(const QByteArray& b, qint64 at)
{
    return quint16(quint8(b[at])) | quint16(quint8(b[at + 1])) << 8;
}

quint32 ReadU32(const QByteArray& b, qint64 at)
{
    return quint32(ReadU16(b, at)) | quint32(ReadU16(b, at + 2)) << 16;
}

bool IdIs(const QByteArray& b, qint64 at, const char* id)
{
    return std::memcmp(b.constData() + at, id, 4) == 0;
}

std::nullopt_t Refuse(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

}  // namespace

WavImage::WavImage(int channels, int sampleRate, int bitsPerSample, QByteArray samples)
    : m_channels(channels), m_sampleRate(sampleRate), m_bitsPerSample(bitsPerSample),
      m_samples(std::move(samples))
{
}

std::optional<WavImage> WavImage::Parse(const QByteArray& bytes, QString* whyRefused)
{
    if (bytes.size() < kRiffHeaderSize)
        return Refuse(whyRefused, QStringLiteral("too short for a WAV file"));
    if (!IdIs(bytes, 0, "RIFF") || !IdIs(bytes, 8, "WAVE"))
        return Refuse(whyRefused, QStringLiteral("not a RIFF/WAVE file"));

    // The chunks end where the RIFF chunk says, or sooner if the bytes run
    // out; whatever follows the RIFF chunk is not ours to read.
    const qint64 end = std::min<qint64>(bytes.size(), 8 + qint64(ReadU32(bytes, 4)));

    qint64 fmtAt = -1, fmtSize = 0, dataAt = -1, dataSize = 0;
    qint64 pos = kRiffHeaderSize;
    while (pos + kChunkHeaderSize <= end && (fmtAt < 0 || dataAt < 0)) {
        const qint64 size = ReadU32(bytes, pos + 4);
        const qint64 body = pos + kChunkHeaderSize;
        const bool complete = body + size <= end;
        if (IdIs(bytes, pos, "fmt ") && fmtAt < 0) {
            if (!complete)
                return Refuse(whyRefused, QStringLiteral("the format chunk is cut short"));
            fmtAt = body;
            fmtSize = size;
        } else if (IdIs(bytes, pos, "data") && dataAt < 0) {
            if (!complete)
                return Refuse(whyRefused, QStringLiteral("the sample data is cut short"));
            dataAt = body;
            dataSize = size;
        } else if (!complete) {
            break;  // an unknown chunk running off the end hides nothing we need
        }
        pos = body + size + (size & 1);  // chunks are padded to even sizes
    }
    if (fmtAt < 0)
        return Refuse(whyRefused, QStringLiteral("no format chunk"));
    if (dataAt < 0)
        return Refuse(whyRefused, QStringLiteral("no data chunk"));
    if (fmtSize < kPcmFmtSize)
        return Refuse(whyRefused, QStringLiteral("the format chunk is too small"));

    const quint16 formatTag = ReadU16(bytes, fmtAt);
    bool pcm = formatTag == kFormatPcm;
    if (formatTag == kFormatExtensible && fmtSize >= kExtensibleFmtSize) {
        const qint64 guid = fmtAt + kSubFormatOffset;
        pcm = ReadU16(bytes, guid) == kFormatPcm
              && std::memcmp(bytes.constData() + guid + 2, kGuidTail, sizeof kGuidTail) == 0;
    }
    if (!pcm)
        return Refuse(whyRefused, QStringLiteral("not uncompressed PCM"));

    const quint16 channels = ReadU16(bytes, fmtAt + 2);
    const quint32 rate = ReadU32(bytes, fmtAt + 4);
    const quint16 blockAlign = ReadU16(bytes, fmtAt + 12);
    const quint16 bits = ReadU16(bytes, fmtAt + 14);
    if (channels != 1 && channels != 2)
        return Refuse(whyRefused, QStringLiteral("%1 channels").arg(channels));
    if (bits != 8 && bits != 16)
        return Refuse(whyRefused, QStringLiteral("%1-bit samples").arg(bits));
    if (rate < kMinSampleRate || rate > kMaxSampleRate)
        return Refuse(whyRefused, QStringLiteral("sample rate %1 Hz").arg(rate));
    if (blockAlign != channels * bits / 8)
        return Refuse(whyRefused, QStringLiteral("frame size %1 does not fit the format").arg(blockAlign));

    // A partial last frame cannot be played; drop it.
    const qint64 usable = dataSize - dataSize % blockAlign;
    if (usable == 0)
        return Refuse(whyRefused, QStringLiteral("no samples"));
    return WavImage(channels, int(rate), bits, bytes.mid(dataAt, usable));
}
