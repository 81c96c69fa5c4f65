#include "controls/StatePicture.h"

#include "controls/Twips.h"

#include <cmath>

double StatePicture::LookHeight(double pictureHeight, int looks)
{
    return looks > 0 ? Twips::RoundHalfEven(pictureHeight / looks) : pictureHeight;
}

void StatePicture::ShowLook(QWidget& piece, int look, double lookHeight)
{
    Twips::Move(&piece, 0, -look * lookHeight);
}

int StatePicture::CurrentLook(const QWidget& piece, double lookHeight)
{
    if (lookHeight <= 0)
        return 0;
    return int(std::lround(-Twips::Geometry(&piece).top() / lookHeight));
}
