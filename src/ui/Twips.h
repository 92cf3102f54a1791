#pragma once

#include <QPoint>
#include <QRect>
#include <QtMath>

// The window is laid out in twips, 15 to the pixel at 96 dpi. Geometry is set
// in device-independent pixels, so high-DPI scaling keeps the proportions.
constexpr int TwipsPerPixel = 15;

constexpr int px(int twips)
{
    // Round half away from zero, as the layout values are all positive.
    return (twips * 2 + TwipsPerPixel) / (TwipsPerPixel * 2);
}

constexpr int toTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}
