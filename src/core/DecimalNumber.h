#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Numbers as the settings file and .cfg records write them: surrounding
// spaces, an optional sign, decimal digits with an optional fraction and,
// where allowed, an exponent. Anything else is not a number.
enum class Exponent { Allowed, Refused };
std::optional<double> parseDecimal(const QByteArray &text, Exponent exponent = Exponent::Allowed);

// Rounds to the nearest whole number, a half going to the even neighbour
// (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// Converts text to a 16-bit whole number the way the settings are read at
// start-up. On failure returns nothing and sets *why to a description an
// operator can act on.
std::optional<qint16> toInt16(const QByteArray &text, QString *why);
