#include "device/PortMapping.h"

#include <algorithm>

QList<SystemComPort> systemComPorts()
{
    QList<SystemComPort> ports;
    for (const SerialPortEntry &entry : availableSerialPorts()) {
        if (const std::optional<int> n = parseComPort(entry.portName))
            ports.append({*n, entry.description});
    }
    std::sort(ports.begin(), ports.end(),
              [](const SystemComPort &a, const SystemComPort &b) { return a.number < b.number; });
    return ports;
}
