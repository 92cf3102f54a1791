#include "device/LineSettings.h"

#include "core/KorvexError.h"

#include <algorithm>

QByteArray LineSettings::text() const
{
    return QByteArray::number(baud) + ',' + parity + ',' + QByteArray::number(dataBits) + ',' +
           QByteArray::number(stopBits);
}

std::optional<int> parseBaud(const QString &text)
{
    // Digits only: toInt alone would also take "+9600" and " 9600".
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar ch) {
        return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    });
    bool ok = false;
    const int baud = text.toInt(&ok);
    if (!digits || !ok || baud <= 0)
        return std::nullopt;
    return baud;
}

LineSettings lineSettingsFor(const QString &baud, const QString &parity)
{
    const auto refuse = [&](const QString &why) {
        return KorvexError(QStringLiteral("invalid port settings \"%1,%2,8,2\": %3").arg(baud, parity, why));
    };
    LineSettings settings;
    const std::optional<int> rate = parseBaud(baud);
    if (!rate)
        throw refuse(QStringLiteral("baud rate must be a positive whole number"));
    settings.baud = *rate;
    const QString letter = parity.toUpper();
    if (letter.size() != 1 || !QStringLiteral("NEOMS").contains(letter))
        throw refuse(QStringLiteral("parity must be N, E, O, M or S"));
    settings.parity = letter.at(0).toLatin1();
    return settings;
}
