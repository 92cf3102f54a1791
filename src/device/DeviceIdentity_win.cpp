#include "device/DeviceIdentity.h"

std::optional<DeviceIdentity> deviceIdentity(qintptr)
{
    // COMn is Windows' own name for one port; there is no link to replace.
    return std::nullopt;
}
