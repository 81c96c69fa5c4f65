#include "SoundTestSupport.h"

#include "platform/sound/QtSoundPlayer.h"

#include <gtest/gtest.h>

#include <QTest>

namespace {

// Long enough for an asynchronous failure of the audio system to arrive.
constexpr int kSettleMs = 300;

}  // namespace

// Each test runs in its own process, so setting the server here decides what
// Qt Multimedia finds when it first looks.
TEST(QtSoundPlayerWithoutAudio, PlayDoesNothingAndDoesNotFail)
{
    qputenv("PULSE_SERVER", "unix:/nonexistent/quillo-no-audio/native");
    {
        QtSoundPlayer player;
        const QByteArray sound = LoadSound(QStringLiteral("tadi"));
        ASSERT_FALSE(sound.isEmpty());
        player.Play(sound);
        EXPECT_FALSE(player.IsPlaying());
        QTest::qWait(kSettleMs);
        player.Play(LoadSound(QStringLiteral("click")));
        player.Play(QByteArray("not a sound"));
        player.Play(QByteArray(1, '\0'));
        EXPECT_FALSE(player.IsPlaying());
        player.Play(sound);
    }
    QTest::qWait(kSettleMs);
}
