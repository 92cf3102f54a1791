#include "device/DeviceIdentity.h"

#include <sys/stat.h>

std::optional<DeviceIdentity> deviceIdentity(qintptr handle)
{
    struct stat status
    {
    };
    if (::fstat(static_cast<int>(handle), &status) != 0)
        return std::nullopt;
    return DeviceIdentity{quint64(status.st_dev), quint64(status.st_ino), quint64(status.st_rdev)};
}
