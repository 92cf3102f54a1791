#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// The window's fonts: the classic dialog face where installed, else the
// system's dialog font at the same point size.
QFont dialogFont(qreal pointSize, bool bold = false);
QFont namedFont(const QString &family, qreal pointSize, bool bold = false);

// The largest font, no larger than font, in which text laid out in area with
// flags (alignment, word wrap) fits it: font itself where the text fits, else
// a quarter point smaller at a time, down to 5 points.
QFont fittingFont(const QFont &font, const QRect &area, int flags, const QString &text);

// Where a label, a button or a check box draws its text, and how it lays it
// out there (alignment, wrapping at words); no text for other widgets.
struct TextBox
{
    QRect area;
    int flags = 0;
    QString text;
};
TextBox textBox(const QWidget *widget);

// Fits the font of each label, button and check box in window to its text
// box. The layout
// was drawn for the classic face; the system's font may be wider or taller,
// or another face altogether where that one is missing. A text that fits
// keeps its font, so where the fonts are there nothing changes.
void fitTexts(QWidget *window);

// Makes a one-line label show its whole caption: wider, up to maxWidth
// pixels, then in a smaller font.
void fitLabel(QLabel *label, int maxWidth);
