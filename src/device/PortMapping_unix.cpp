#include "device/PortMapping.h"

// COMn is a name this program gives; the system has none of its own.
QList<SystemComPort> systemComPorts()
{
    return {};
}
