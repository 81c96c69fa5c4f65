#include "platform/win/WinSoundPlayer.h"

#include "platform/win/WinApi.h"

#include <mmsystem.h>

WinSoundPlayer::~WinSoundPlayer()
{
    Stop();
}

void WinSoundPlayer::Stop()
{
    // Returns once the sound has stopped: only then may its bytes go.
    if (!playing.isEmpty())
        PlaySoundW(nullptr, nullptr, 0);
    playing.clear();
}

void WinSoundPlayer::Play(const QByteArray& wavBytes)
{
    Stop();
    if (wavBytes.isEmpty())
        return;
    // A copy of its own: the caller's bytes may be shared and change.
    playing = QByteArray(wavBytes.constData(), wavBytes.size());
    if (!PlaySoundW(reinterpret_cast<LPCWSTR>(playing.constData()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
        playing.clear(); // not a sound Windows can play: skipped, as the interface allows
}
