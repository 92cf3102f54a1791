#pragma once

#include <QFont>
#include <QString>

// The window's fonts: the classic dialog face where installed, else the
// system's dialog font at the same point size.
QFont dialogFont(qreal pointSize, bool bold = false);
QFont namedFont(const QString &family, qreal pointSize, bool bold = false);

class QLabel;

// Makes a one-line label show its whole caption: wider, up to maxWidth
// pixels, then in a smaller font. The system font is wider than the classic
// one the layout was drawn for.
void fitLabel(QLabel *label, int maxWidth);
