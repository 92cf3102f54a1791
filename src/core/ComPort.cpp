#include "core/ComPort.h"

#include <algorithm>

QString comPortName(int n)
{
    return QStringLiteral("COM") + QString::number(n);
}

std::optional<int> parseComPort(const QString &name)
{
    if (name.size() < 4 || name.size() > 6 ||
        name.left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QStringView digits = QStringView(name).mid(3);
    if (digits.startsWith(QLatin1Char('0')) ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int n = digits.toInt();
    if (n < 1 || n > LastComPort)
        return std::nullopt;
    return n;
}
