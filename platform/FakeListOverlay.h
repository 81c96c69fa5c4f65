#pragma once

#include "platform/ListOverlay.h"

// An overlay that keeps what it was asked to show.
class FakeListOverlay : public ListOverlay
{
public:
    bool Show(const QImage& shownImage, QPoint shownAt) override
    {
        image = shownImage;
        topLeft = shownAt;
        shown = true;
        ++shows;
        return true;
    }
    void Hide() override
    {
        if (shown)
            ++hides;
        shown = false;
    }
    bool IsShown() const override { return shown; }

    QImage image;
    QPoint topLeft;
    bool shown = false;
    int shows = 0;
    int hides = 0;
};
