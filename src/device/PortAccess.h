#pragma once

#include "core/KorvexError.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What the system says about a port as it is opened, and the operator's words
// for its failures. What differs by system is in PortAccess_unix.cpp and
// PortAccess_win.cpp.

// Why opening a port failed, as far as the operator can do something about it.
enum class OpenFailure { NotFound, NoPermission, InUse, SettingsRefused, NotSerial, Other };

// Who may use a device: its owner and group, empty where the system has none.
struct DeviceOwner
{
    QString user;
    QString group;
};

// The failure to throw, its description ending an operation's error message:
// it names the port as the operator knows it ("COM3", or a device path) and
// the device it is. owner is who may use the device (Unix: its owner and
// group), for the hint for NoPermission; systemText is what the system said.
KorvexError openFailure(const QString &portName, const QString &path, OpenFailure kind,
                        const QString &systemText, const DeviceOwner &owner, const QByteArray &settings);
// systemText may be empty when the system has nothing useful to say.
QString lostConnectionDescription(const QString &portName, const QString &path, const QString &systemText);
// "COM3 (/dev/ttyUSB0)"; the device alone when it is named by its path.
QString portLabel(const QString &portName, const QString &path);

// A file, a folder or a pipe where a device was expected: opening it as a
// port fails with a confusing settings error, or waits for ever on a pipe.
bool isOtherThanDevice(const QString &path);
// Who may use the device, for the hint when this user may not.
DeviceOwner ownerOf(const QString &path);
// What a refusal the system calls "permission" means for this device: that
// this user may not open it, or that another program has it.
OpenFailure permissionRefusal(const QString &path);
// Locks the open device itself, not only its name; false when another
// program holds it.
bool lockOpenDevice(qintptr handle);

// The system's own words for a port that is not there, and for one this user
// may not open: port is the port as portLabel() names it.
QString missingPortText(const QString &port, const QString &portName, const QString &path);
QString noPermissionText(const QString &port, const DeviceOwner &owner);
