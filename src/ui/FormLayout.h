#pragma once

#include <QRect>

// Where the main window's row controls lie, in twips (client-area
// coordinates). Rows 0-7 fill the left column, rows 8-15 the right one.
namespace FormLayout {

constexpr int ClientWidth = 11595;
constexpr int ClientHeight = 8025;

constexpr int rowTop(int row)
{
    return 1560 + 480 * (row % 8);
}

constexpr bool isRightColumn(int row)
{
    return row >= 8;
}

inline QRect statusIconRect(int row)
{
    return QRect(isRightColumn(row) ? 6000 : 240, rowTop(row), 250, 300);
}

inline QRect rowNumberRect(int row)
{
    return QRect(isRightColumn(row) ? 6240 : 480, rowTop(row), 375, 255);
}

inline QRect kbdKeyRect(int row)
{
    return QRect(isRightColumn(row) ? 6720 : 960, rowTop(row), 855, 330);
}

inline QRect keyStringRect(int row)
{
    return isRightColumn(row) ? QRect(7680, rowTop(row), 2535, 330) : QRect(1920, rowTop(row), 2655, 330);
}

inline QRect stringCountRect(int row)
{
    return QRect(isRightColumn(row) ? 10320 : 4680, rowTop(row), 375, 330);
}

// The rule under each pair of rows, k = 0..7, as a line from x 600 to 10680.
constexpr int RuleLeft = 600;
constexpr int RuleRight = 10680;
constexpr int ruleY(int k)
{
    return 1920 + 480 * k;
}

} // namespace FormLayout
