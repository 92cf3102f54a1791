#include "device/PortAccess.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/file.h>
#include <sys/stat.h>

bool isOtherThanDevice(const QString &path)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISCHR(status.st_mode);
}

DeviceOwner ownerOf(const QString &path)
{
    const QFileInfo device(path);
    return {device.owner(), device.group()};
}

OpenFailure permissionRefusal(const QString &path)
{
    // Qt reports a port held by another program (lock file, exclusive mode)
    // as a permission error too; the device's own permissions tell the two
    // apart.
    const QFileInfo device(path);
    return device.exists() && !(device.isReadable() && device.isWritable()) ? OpenFailure::NoPermission
                                                                            : OpenFailure::InUse;
}

bool lockOpenDevice(qintptr handle)
{
    // A lock on a name does not hold against a second name for the same
    // device (a link under /dev/serial/by-id), and an exclusive open not
    // against root: two programs would write one device's rows at once. A
    // lock on the open device holds.
    return ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

QString missingPortText(const QString &port, const QString &portName, const QString &path)
{
    if (portName == path)
        return QStringLiteral("%1 does not exist. Check that the adapter is plugged in.").arg(port);
    return QStringLiteral("%1 does not exist. Check that the adapter is plugged in, or name the device in "
                          "the [PORTS] section of Korvex.ini, e.g. %2=/dev/ttyUSB0")
        .arg(port, portName);
}

QString noPermissionText(const QString &port, const DeviceOwner &owner)
{
    // Serial ports are opened up to their users through dialout; any other
    // owner is someone to ask.
    if (owner.group == QLatin1String("dialout"))
        return QStringLiteral("%1: permission denied. Add your user to the group dialout (sudo usermod -aG "
                              "dialout $USER), then log out and back in.")
            .arg(port);
    return QStringLiteral(
               "%1: permission denied. The device belongs to the user %2 and the group %3: ask for "
               "access to it.")
        .arg(port, owner.user.isEmpty() ? QStringLiteral("?") : owner.user,
             owner.group.isEmpty() ? QStringLiteral("?") : owner.group);
}
