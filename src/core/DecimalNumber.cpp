#include "core/DecimalNumber.h"

#include "core/Blanks.h"

#include <cmath>
#include <limits>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> parseDecimal(const QByteArray &text, Exponent exponent)
{
    // Only spaces and tabs count as surrounding blanks; a record field never
    // holds anything else around its number.
    const QByteArray number = trimBlanks(text);
    const qsizetype end = number.size();
    qsizetype i = 0;
    if (i < end && (number[i] == '+' || number[i] == '-'))
        ++i;
    int digits = 0;
    while (i < end && isDigit(number[i])) {
        ++i;
        ++digits;
    }
    if (i < end && number[i] == '.') {
        ++i;
        while (i < end && isDigit(number[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (exponent == Exponent::Allowed && i < end && (number[i] == 'e' || number[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < end && (number[j] == '+' || number[j] == '-'))
            ++j;
        const qsizetype expStart = j;
        while (j < end && isDigit(number[j]))
            ++j;
        if (j == expStart)
            return std::nullopt;
        i = j;
    }
    if (i != end)
        return std::nullopt;

    bool ok = false;
    const double value = number.toDouble(&ok);
    // toDouble refuses out-of-range magnitudes; they are numbers all the same,
    // just far too large for any caller.
    if (!ok)
        return number.startsWith('-') ? -std::numeric_limits<double>::infinity()
                                      : std::numeric_limits<double>::infinity();
    return value;
}

double roundHalfEven(double value)
{
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    if (fraction > 0.5)
        return floorValue + 1.0;
    if (fraction < 0.5)
        return floorValue;
    return std::fmod(floorValue, 2.0) == 0.0 ? floorValue : floorValue + 1.0;
}

std::optional<qint16> toInt16(const QByteArray &text, QString *why)
{
    const std::optional<double> value = parseDecimal(text);
    if (!value) {
        if (why)
            *why =
                QStringLiteral("Type mismatch: \"%1\" is not a whole number").arg(QString::fromLatin1(text));
        return std::nullopt;
    }
    const double rounded = roundHalfEven(*value);
    if (!(rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max())) {
        if (why)
            *why = QStringLiteral("Overflow: %1 is outside -32768 to 32767")
                       .arg(QString::fromLatin1(text.trimmed()));
        return std::nullopt;
    }
    return static_cast<qint16>(rounded);
}
