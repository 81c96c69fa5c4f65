#include "SoundTestSupport.h"

#include "platform/sound/WavImage.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr qint64 kShortestMs = 80;
constexpr qint64 kLongestMs = 400;
// Loud enough to hear, and clearly below full scale (no clipping).
constexpr int kMinPeak = 8000;
constexpr int kMaxPeak = 32000;
// Ends this quiet start and stop without an audible click.
constexpr int kMaxEdgeLevel = 300;

struct Traits
{
    qint64 durationMs;
    double crossingsPerSecond;  // a rough measure of pitch and brightness
};

Traits Measure(const WavImage& image)
{
    const std::vector<qint16> s = Int16Samples(image.Samples());
    size_t crossings = 0;
    for (size_t i = 1; i < s.size(); ++i)
        crossings += (s[i - 1] < 0) != (s[i] < 0);
    return {image.DurationMs(), double(crossings) * image.SampleRate() / double(s.size())};
}

}  // namespace

TEST(GeneratedSounds, EachIsAShortAudibleCleanMonoSound)
{
    for (const QString& name : kSoundNames) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = LoadSound(name);
        ASSERT_FALSE(bytes.isEmpty()) << "missing " << SoundPath(name).toStdString();
        QString why;
        const auto image = WavImage::Parse(bytes, &why);
        ASSERT_TRUE(image) << why.toStdString();
        EXPECT_EQ(image->Channels(), 1);
        EXPECT_EQ(image->BitsPerSample(), 16);
        EXPECT_TRUE(image->SampleRate() == 22050 || image->SampleRate() == 44100);
        EXPECT_GE(image->DurationMs(), kShortestMs);
        EXPECT_LE(image->DurationMs(), kLongestMs);

        const std::vector<qint16> samples = Int16Samples(image->Samples());
        EXPECT_GE(Peak(samples), kMinPeak);
        EXPECT_LE(Peak(samples), kMaxPeak);
        EXPECT_LE(std::abs(int(samples.front())), kMaxEdgeLevel);
        EXPECT_LE(std::abs(int(samples.back())), kMaxEdgeLevel);
        // Sound throughout most of its length, not a blip in silence.
        EXPECT_GE(AudibleSpan(samples, kMaxEdgeLevel), samples.size() / 2);
    }
}

TEST(GeneratedSounds, TheSixAreClearlyDifferent)
{
    std::map<QString, Traits> traits;
    for (const QString& name : kSoundNames) {
        const auto image = WavImage::Parse(LoadSound(name));
        ASSERT_TRUE(image) << name.toStdString();
        traits[name] = Measure(*image);
    }
    for (auto a = traits.begin(); a != traits.end(); ++a) {
        for (auto b = std::next(a); b != traits.end(); ++b) {
            const bool lengthDiffers = std::abs(a->second.durationMs - b->second.durationMs) >= 15;
            const double ratio = a->second.crossingsPerSecond / b->second.crossingsPerSecond;
            const bool pitchDiffers = ratio > 1.15 || ratio < 1 / 1.15;
            EXPECT_TRUE(lengthDiffers || pitchDiffers)
                << a->first.toStdString() << " and " << b->first.toStdString() << " sound alike";
        }
    }
}
