#pragma once

#include "platform/SoundPlayer.h"

#include <QList>

// Remembers what it was asked to play.
class FakeSoundPlayer : public SoundPlayer
{
public:
    void Play(const QByteArray& wavBytes) override { played.append(wavBytes); }
    QList<QByteArray> played;
};
