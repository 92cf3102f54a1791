#include "device/LineSettings.h"

#include "core/KorvexError.h"

#include <QList>

namespace {

bool allDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char ch : text) {
        if (ch < '0' || ch > '9')
            return false;
    }
    return true;
}

[[noreturn]] void refuse(const QByteArray &text, const QString &why)
{
    throw KorvexError(QStringLiteral("invalid port settings \"%1\": %2").arg(QString::fromLatin1(text), why));
}

} // namespace

LineSettings parseLineSettings(const QByteArray &text)
{
    const QList<QByteArray> fields = text.split(',');
    if (fields.size() != 4)
        refuse(text, QStringLiteral("expected baud,parity,data bits,stop bits"));

    LineSettings settings;
    const QByteArray baud = fields.at(0).trimmed();
    bool ok = false;
    settings.baud = baud.toInt(&ok);
    if (!allDigits(baud) || !ok || settings.baud <= 0)
        refuse(text, QStringLiteral("baud rate must be a positive whole number"));

    const QByteArray parity = fields.at(1).trimmed().toUpper();
    if (parity.size() != 1 || !QByteArrayLiteral("NEOMS").contains(parity.at(0)))
        refuse(text, QStringLiteral("parity must be N, E, O, M or S"));
    settings.parity = parity.at(0);

    const QByteArray data = fields.at(2).trimmed();
    if (data.size() != 1 || data.at(0) < '5' || data.at(0) > '8')
        refuse(text, QStringLiteral("data bits must be 5 to 8"));
    settings.dataBits = data.at(0) - '0';

    const QByteArray stop = fields.at(3).trimmed();
    if (stop == "1")
        settings.stopBits = 1;
    else if (stop == "1.5")
        settings.stopBits = 15;
    else if (stop == "2")
        settings.stopBits = 2;
    else
        refuse(text, QStringLiteral("stop bits must be 1, 1.5 or 2"));
    return settings;
}
