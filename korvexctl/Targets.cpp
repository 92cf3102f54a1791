#include "Targets.h"

#include "core/SettingsFile.h"
#include "device/PortMapping.h"

#include <QFileInfo>

#include <algorithm>

// The ports were read once, at the start of the run, and were refused then if
// any line of [PORTS] could not be read: COMn is resolved here, once.
Target comTarget(int n, const PortsSection &ports)
{
    return Target{comPortName(n), serialDevicePath(n, ports), n, ports.devices.count(n) > 0, QString(), {}};
}

bool containsDevice(const QList<Target> &targets, const QString &device)
{
    const QString wanted = canonicalDevice(device);
    return std::any_of(targets.begin(), targets.end(),
                       [&](const Target &t) { return canonicalDevice(t.device) == wanted; });
}

QString canonicalDevice(const QString &device)
{
    const QString resolved = QFileInfo(device).canonicalFilePath();
    return resolved.isEmpty() ? device : resolved;
}

std::optional<QList<Target>> namedTargets(const QStringList &given, const PortsSection &ports, QString *why)
{
    QList<Target> targets;
    for (const QString &port : given) {
        if (port.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
            continue;
        const std::optional<int> n = parseComPort(port);
        const std::optional<Target> target = n ? comTarget(*n, ports) : deviceTarget(port, why);
        if (!target)
            return std::nullopt;
        // One device written by two threads at once would end up with
        // neither's rows.
        if (containsDevice(targets, target->device)) {
            *why = QStringLiteral("%1 is given twice").arg(target->device);
            return std::nullopt;
        }
        targets << *target;
        targets.last().named = true;
    }
    return targets;
}
