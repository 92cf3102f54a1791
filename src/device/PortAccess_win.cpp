#include "device/PortAccess.h"

// Windows names each port COMn itself: there is no file to find where a port
// should be, no owner to ask, and a port is the one program's that opened it.

bool isOtherThanDevice(const QString &)
{
    return false;
}

DeviceOwner ownerOf(const QString &)
{
    return {};
}

OpenFailure permissionRefusal(const QString &)
{
    // Access denied: another program has the port open.
    return OpenFailure::InUse;
}

bool lockOpenDevice(qintptr)
{
    return true;
}

QString missingPortText(const QString &port, const QString &, const QString &)
{
    return QStringLiteral("%1 does not exist on this computer. Choose another port.").arg(port);
}

QString noPermissionText(const QString &port, const DeviceOwner &)
{
    // Windows denies a port only while another program has it open; there is
    // no group to join.
    return QStringLiteral("%1 is in use by another program. Close that program and try again.").arg(port);
}
