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

// Windows names each port COMn itself: there is nothing to map.
QString serialDevicePath(int portNumber, const PortsSection &)
{
    return comPortName(portNumber);
}

QString serialDevicePath(int portNumber, const SettingsFile &)
{
    return comPortName(portNumber);
}

QString describeSerialPort(int portNumber, const SettingsFile &)
{
    // "COM3 is COM3" would say nothing; Windows knows what the port is.
    for (const SystemComPort &port : systemComPorts()) {
        if (port.number == portNumber)
            return port.description.isEmpty() ? QStringLiteral("a serial port") : port.description;
    }
    return QStringLiteral("not present on this computer");
}
