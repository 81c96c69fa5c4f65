#pragma once

#include <cmath>

// Window positions are kept in twips (1/1440 inch); at 96 dpi a pixel is 15.
namespace Twips {
constexpr int kPerPixel = 15;
inline int ToPixels(int twips)
{
    return static_cast<int>(std::lround(double(twips) / kPerPixel));
}
} // namespace Twips
