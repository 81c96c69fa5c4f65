#pragma once

#include <QByteArray>

// Plays a sound file's bytes (a WAV image held in memory) without waiting
// for it to end. A sound that cannot be played is skipped silently.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const QByteArray& wavBytes) = 0;
};
