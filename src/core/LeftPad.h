#pragma once

#include <QString>

// Pads s on the left with whole copies of padstring until it is at least ilen
// characters long; longer text is never cut. An empty pad leaves s unchanged.
QString LeftPad(const QString &s, int ilen, const QString &padstring = QStringLiteral(" "));
