#include "Targets.h"

#include "core/ComPort.h"
#include "device/PortMapping.h"

std::optional<Target> deviceTarget(const QString &port, QString *why)
{
    // Windows reaches every port by its COMn name; there are no paths.
    *why = QStringLiteral("no port \"%1\": give COM1 ... COM%2, or all").arg(port).arg(LastComPort);
    return std::nullopt;
}

QList<Target> existingPorts(const PortsSection &ports)
{
    // Windows names each port COMn itself, and has no other: the ports it
    // lists, in the order of their numbers, each with what Windows calls it.
    QList<Target> listed;
    for (const SystemComPort &port : systemComPorts()) {
        Target target = comTarget(port.number, ports);
        target.named = false;
        target.description = port.description;
        listed << target;
    }
    return listed;
}

QList<Target> candidateTargets(const PortsSection &ports, const QList<Target> &except)
{
    QList<Target> found;
    for (const Target &port : existingPorts(ports)) {
        if (!containsDevice(except, port.device))
            found << port;
    }
    return found;
}

QString rowsFileName(const Target &target)
{
    // Windows keeps COM1 ... COM9 as device names whatever follows a dot:
    // COM3.cfg would be the port itself.
    return target.port + QStringLiteral("-rows.cfg");
}
