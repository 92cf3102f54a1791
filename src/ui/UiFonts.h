#pragma once

#include <QFont>
#include <QString>

// The window's fonts: the classic dialog face where installed, else the
// system's dialog font at the same point size.
QFont dialogFont(qreal pointSize, bool bold = false);
QFont namedFont(const QString &family, qreal pointSize, bool bold = false);
