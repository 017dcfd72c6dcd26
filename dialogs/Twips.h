#pragma once

#include <QRect>

namespace dialogs {

// The windows' layouts are given in twips, 15 to a device-independent pixel.
// Each value is rounded on its own, so a size is the same wherever it stands.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

} // namespace dialogs
