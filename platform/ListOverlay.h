#pragma once

#include <QImage>
#include <QPoint>

// A picture shown above every window without being a window the user can
// focus: where a desktop lets no program place a window of its own (Wayland),
// the suggestion list is shown through this. It never takes the keyboard, and
// clicks pass through it.
class ListOverlay
{
public:
    virtual ~ListOverlay() = default;
    // Shows the image with its top-left corner at `topLeft`, in the desktop's
    // pixels (the compositor's layout, across all screens); a shown image is
    // replaced. The image's device pixel ratio tells its size in those
    // pixels. False when nothing can be shown there.
    virtual bool Show(const QImage& image, QPoint topLeft) = 0;
    // Takes the image off the screen; nothing happens when none shows.
    virtual void Hide() = 0;
    virtual bool IsShown() const = 0;
};
