#pragma once

#include <QtGlobal>

#include <optional>

// Which device an open handle reaches, so that a later opening of the same
// path can be told to have reached the same one: on Unix the device node
// (the file system it lies on, its inode and the device number it stands
// for); Windows names each port itself and has no such thing to compare.
struct DeviceIdentity
{
    quint64 fileSystem = 0;
    quint64 inode = 0;
    quint64 device = 0;

    friend bool operator==(const DeviceIdentity &a, const DeviceIdentity &b)
    {
        return a.fileSystem == b.fileSystem && a.inode == b.inode && a.device == b.device;
    }
};

// Nothing when the system cannot tell.
std::optional<DeviceIdentity> deviceIdentity(qintptr handle);
