#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
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

inline QRect twipsRect(const QRect &twips)
{
    return twipsRect(twips.x(), twips.y(), twips.width(), twips.height());
}

// A one-pixel horizontal line from x left to right (either order) at y, in twips.
inline QRect lineRect(int leftTwips, int rightTwips, int yTwips)
{
    const int left = px(qMin(leftTwips, rightTwips));
    const int right = px(qMax(leftTwips, rightTwips));
    return QRect(left, px(yTwips), qMax(1, right - left + 1), 1);
}

// Names a control and puts it at its place, given in twips, in its font.
template <typename W> W *place(W *widget, const QString &name, const QRect &twips, const QFont &font)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(twips));
    widget->setFont(font);
    return widget;
}
