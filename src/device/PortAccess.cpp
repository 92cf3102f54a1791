#include "device/PortAccess.h"

namespace {

KorvexError::Kind errorKind(OpenFailure kind)
{
    switch (kind) {
    case OpenFailure::NotFound:
        return KorvexError::Kind::PortMissing;
    case OpenFailure::NoPermission:
        return KorvexError::Kind::NoPermission;
    case OpenFailure::InUse:
        return KorvexError::Kind::InUse;
    case OpenFailure::SettingsRefused:
        return KorvexError::Kind::SettingsRefused;
    case OpenFailure::NotSerial:
    case OpenFailure::Other:
        break;
    }
    return KorvexError::Kind::Other;
}

} // namespace

QString portLabel(const QString &portName, const QString &path)
{
    return portName == path || path.isEmpty() ? portName : QStringLiteral("%1 (%2)").arg(portName, path);
}

KorvexError openFailure(const QString &portName, const QString &path, OpenFailure kind,
                        const QString &systemText, const DeviceOwner &owner, const QByteArray &settings)
{
    const QString port = portLabel(portName, path);
    QString text = QStringLiteral("%1: %2").arg(port, systemText);
    switch (kind) {
    case OpenFailure::NotFound:
        text = missingPortText(port, portName, path);
        break;
    case OpenFailure::NoPermission:
        text = noPermissionText(port, owner);
        break;
    case OpenFailure::InUse:
        text = QStringLiteral("%1 is in use by another program. Close that program and try again.").arg(port);
        break;
    case OpenFailure::SettingsRefused:
        text = QStringLiteral("%1 does not accept the settings %2 (%3).")
                   .arg(port, QString::fromLatin1(settings), systemText);
        break;
    case OpenFailure::NotSerial:
        text = QStringLiteral("%1 is not a serial device.").arg(port);
        break;
    case OpenFailure::Other:
        break;
    }
    return KorvexError(text, errorKind(kind));
}

QString lostConnectionDescription(const QString &portName, const QString &path, const QString &systemText)
{
    const QString why = systemText.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(systemText);
    return QStringLiteral("%1 stopped working%2. Check the cable and the adapter, then try again.")
        .arg(portLabel(portName, path), why);
}
