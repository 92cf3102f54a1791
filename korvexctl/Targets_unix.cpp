#include "Targets.h"

#include "core/ComPort.h"
#include "device/PortMapping.h"

#include <QFileInfo>

#include <algorithm>

std::optional<Target> deviceTarget(const QString &port, QString *why)
{
    if (port.startsWith(QLatin1Char('/')))
        return Target{port, port, 0, true, QString(), {}};
    if (QFileInfo::exists(QStringLiteral("/dev/") + port))
        return Target{port, QStringLiteral("/dev/") + port, 0, true, QString(), {}};
    *why = QStringLiteral("no port \"%1\": give COM1 ... COM%2, a device path, or all")
               .arg(port)
               .arg(LastComPort);
    return std::nullopt;
}

QList<Target> candidateTargets(const PortsSection &ports, const QList<Target> &except)
{
    QList<Target> found;
    const auto add = [&](const Target &target) {
        if (!containsDevice(except, target.device) && !containsDevice(found, target.device))
            found << target;
    };
    for (int n = 1; n <= OfferedComPorts; ++n)
        add(comTarget(n, ports));
    for (const SerialPortEntry &entry : availableSerialPorts())
        add(Target{entry.systemLocation, entry.systemLocation, 0, false, entry.description, {}});
    return found;
}

QList<Target> existingPorts(const PortsSection &ports)
{
    QList<Target> found;
    const QList<SerialPortEntry> listed = availableSerialPorts();
    const auto describe = [&](Target target) {
        for (const SerialPortEntry &entry : listed) {
            if (canonicalDevice(entry.systemLocation) == canonicalDevice(target.device))
                target.description = entry.description;
        }
        return target;
    };
    for (const Target &candidate : candidateTargets(ports, {})) {
        // A COMn past the adapters falls back to an on-board port that may not
        // be there at all; only what the system has is listed.
        const bool listedBySystem = std::any_of(listed.begin(), listed.end(), [&](const SerialPortEntry &e) {
            return canonicalDevice(e.systemLocation) == canonicalDevice(candidate.device);
        });
        if (listedBySystem || (candidate.named && QFileInfo::exists(candidate.device)))
            found << describe(candidate);
    }
    return found;
}

QString rowsFileName(const Target &target)
{
    return QFileInfo(target.port).fileName() + QStringLiteral(".cfg");
}
