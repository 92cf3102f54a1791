#pragma once

#include <QPoint>
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

// The controls around the rows.
constexpr QRect Title(3000, 480, 6015, 375);                            // Label1
constexpr QRect Maker(4920, 120, 1575, 375);                            // Label10
constexpr int HeaderX[2][3] = {{960, 2280, 4560}, {6720, 8040, 10200}}; // key, string, length
constexpr QRect KeyHeader(0, 1080, 855, 495);                           // Label2, at HeaderX
constexpr QRect StringHeader(0, 1080, 1935, 495);                       // Label4
constexpr QRect LengthHeader(0, 960, 615, 495);                         // Label6
constexpr QRect ProgressLabel(1200, 5520, 975, 255);
constexpr QRect ProgressBar(2280, 5520, 3255, 255);
constexpr QRect PercentLabel(5640, 5520, 615, 255);
constexpr QRect LogCaption(6600, 5400, 2295, 255); // Label5
constexpr QRect StatusBox(6600, 5640, 4575, 1620);
constexpr QRect Command1(240, 5880, 2295, 615);
constexpr QRect Command2(2640, 5880, 1815, 615);
constexpr QRect VerifyBtn(4560, 5880, 1815, 615);
constexpr QRect GetVersionBtn(4560, 7320, 1815, 615);
constexpr QRect CodeLabel(6600, 7440, 4575, 375);
constexpr QRect SettingsFrame(240, 6600, 6135, 615); // Frame1
// Inside the frame: each caption and its value, from left to right, in a
// line of this height.
struct FramePair
{
    int left;
    int top;
    int right;
};
constexpr int FrameLineHeight = 210;
constexpr FramePair PortPair{120, 180, 1500};
constexpr FramePair BaudPair{1560, 180, 3420};
constexpr FramePair ParityPair{3480, 180, 6015};
constexpr FramePair FilePair{120, 390, 6015};

// The help pane's top left corner; its size follows the window.
constexpr QPoint HelpPane(200, 1900);

// The rule under each pair of rows, k = 0..7, as a line from x 600 to 10680.
constexpr int RuleLeft = 600;
constexpr int RuleRight = 10680;
constexpr int ruleY(int k)
{
    return 1920 + 480 * k;
}

} // namespace FormLayout
