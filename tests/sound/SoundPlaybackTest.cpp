#include "PrivatePulseServer.h"
#include "SoundTestSupport.h"

#include "platform/sound/QtSoundPlayer.h"
#include "platform/sound/WavImage.h"

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTest>

#include <cmath>
#include <functional>
#include <string>

namespace {

// A bound on waiting for a sound to finish, far beyond any of ours.
constexpr int kPlayTimeoutMs = 10000;
// What the recorder may still hold back after the player let go.
constexpr int kRecorderFlushMs = 300;
// Below this a sample counts as silence (about -54 dB).
constexpr int kSilence = 64;
constexpr double kTwoPi = 6.283185307179586;

// A 440 Hz tone of `frames` 8-bit stereo frames at 22050 Hz, half of full
// scale, as a complete WAV image.
QByteArray EightBitStereoTone(int frames)
{
    constexpr int kRate = 22050;
    auto le = [](quint32 v, int n) {
        QByteArray out;
        for (int i = 0; i < n; ++i)
            out += char((v >> (8 * i)) & 0xFF);
        return out;
    };
    QByteArray pcm;
    for (int i = 0; i < frames; ++i) {
        const char sample = char(128 + std::lround(64 * std::sin(kTwoPi * 440 * i / kRate)));
        pcm += sample;
        pcm += sample;
    }
    const QByteArray fmt = le(1, 2) + le(2, 2) + le(kRate, 4) + le(kRate * 2, 4) + le(2, 2) + le(8, 2);
    const QByteArray chunks = "fmt " + le(16, 4) + fmt + "data" + le(quint32(pcm.size()), 4) + pcm;
    return "RIFF" + le(quint32(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// One daemon for the whole suite: Qt Multimedia binds to the first sound
// server it meets and keeps it for the life of the process.
class SoundPlayback : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!PrivatePulseServer::ToolsAvailable()) {
            skipReason = "pulseaudio, pactl and parec are not installed";
            return;
        }
        server = new PrivatePulseServer;
        if (!server->Start()) {
            skipReason = server->Error().toStdString();
            return;
        }
        qputenv("PULSE_SERVER", server->Address());
    }

    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
        skipReason.clear();
    }

    void SetUp() override
    {
        if (!skipReason.empty())
            GTEST_SKIP() << skipReason;
        ASSERT_FALSE(QMediaDevices::defaultAudioOutput().isNull())
            << "Qt Multimedia does not see the private sound server";
        ASSERT_TRUE(server->StartRecording()) << server->Error().toStdString();
    }

    // Plays, waits until the player is done, and returns what was recorded.
    std::vector<qint16> PlayAndRecord(const std::function<void()>& play)
    {
        play();
        EXPECT_TRUE(player.IsPlaying());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !player.IsPlaying(); }, kPlayTimeoutMs));
        QTest::qWait(kRecorderFlushMs);
        return server->Recorded();
    }

    static std::vector<qint16> SamplesOf(const QString& name)
    {
        const auto image = WavImage::Parse(LoadSound(name));
        return image ? Int16Samples(image->Samples()) : std::vector<qint16>{};
    }

    static inline PrivatePulseServer* server = nullptr;
    static inline std::string skipReason;
    QtSoundPlayer player;
};

}  // namespace

TEST_F(SoundPlayback, TheWholeSoundReachesTheOutput)
{
    const std::vector<qint16> source = SamplesOf(QStringLiteral("plink"));
    ASSERT_FALSE(source.empty());
    const std::vector<qint16> recorded =
        PlayAndRecord([&] { player.Play(LoadSound(QStringLiteral("plink"))); });

    // Loud, and as long as the sound itself: not cut short by the player
    // letting go of the output too early.
    EXPECT_GE(Peak(recorded), Peak(source) / 2);
    EXPECT_GE(AudibleSpan(recorded, kSilence), AudibleSpan(source, kSilence) * 9 / 10);
}

TEST_F(SoundPlayback, ANewSoundCutsTheOneStillPlaying)
{
    const std::vector<qint16> longSound = SamplesOf(QStringLiteral("plink"));
    const std::vector<qint16> shortSound = SamplesOf(QStringLiteral("click"));
    ASSERT_GT(AudibleSpan(longSound, kSilence), 3 * AudibleSpan(shortSound, kSilence));

    const std::vector<qint16> recorded = PlayAndRecord([&] {
        player.Play(LoadSound(QStringLiteral("plink")));
        player.Play(LoadSound(QStringLiteral("click")));
    });
    const size_t span = AudibleSpan(recorded, kSilence);
    EXPECT_GE(span, AudibleSpan(shortSound, kSilence) / 2);
    EXPECT_LT(span, AudibleSpan(longSound, kSilence) / 2);
}

// Unsigned 8-bit samples must reach the output centred on zero: taken as
// signed, the tone would turn into a loud, distorted, off-centre noise.
TEST_F(SoundPlayback, EightBitStereoSoundsPlayAtTheirLevel)
{
    constexpr int kFrames = 22050 / 4;
    const std::vector<qint16> recorded =
        PlayAndRecord([&] { player.Play(EightBitStereoTone(kFrames) + '\0'); });
    const int halfScale = 16384;
    EXPECT_GT(Peak(recorded), halfScale * 8 / 10);
    EXPECT_LT(Peak(recorded), halfScale * 12 / 10);
    EXPECT_GE(AudibleSpan(recorded, kSilence), size_t(PrivatePulseServer::kRecordRate / 4 * 9 / 10));
}

TEST_F(SoundPlayback, AMalformedSoundPlaysNothing)
{
    QByteArray broken = LoadSound(QStringLiteral("tadi"));
    broken.truncate(broken.size() / 2);
    player.Play(broken);
    EXPECT_FALSE(player.IsPlaying());
    QTest::qWait(kRecorderFlushMs);
    EXPECT_EQ(AudibleSpan(server->Recorded(), kSilence), 0u);
}
