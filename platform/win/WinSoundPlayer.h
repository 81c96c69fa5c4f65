#pragma once

#include "platform/SoundPlayer.h"

#include <QByteArray>

// Plays a WAV image from memory through PlaySoundW, without waiting. Windows
// reads the bytes while the sound plays, so they are kept until the next
// sound (which cuts this one) or the player's end (which stops it).
class WinSoundPlayer : public SoundPlayer
{
public:
    WinSoundPlayer() = default;
    ~WinSoundPlayer() override;
    WinSoundPlayer(const WinSoundPlayer&) = delete;
    WinSoundPlayer& operator=(const WinSoundPlayer&) = delete;

    void Play(const QByteArray& wavBytes) override;

private:
    void Stop();
    QByteArray playing;
};
