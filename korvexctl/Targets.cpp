#include "Targets.h"

#include "core/SettingsFile.h"
#include "device/PortMapping.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// The ports were read once, at the start of the run, and were refused then if
// any line of [PORTS] could not be read: COMn is resolved here, once.
Target comTarget(int n, const PortsSection &ports)
{
    return Target{comPortName(n), serialDevicePath(n, ports), n, ports.devices.count(n) > 0, QString(), {}};
}

bool contains(const QList<Target> &targets, const QString &device)
{
    const QString wanted = canonicalDevice(device);
    return std::any_of(targets.begin(), targets.end(),
                       [&](const Target &t) { return canonicalDevice(t.device) == wanted; });
}

} // namespace

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
        Target target;
        if (const std::optional<int> n = parseComPort(port)) {
            target = comTarget(*n, ports);
            target.named = true;
        }
#ifdef Q_OS_WIN
        // Windows reaches every port by its COMn name; there are no paths.
        else {
            *why = QStringLiteral("no port \"%1\": give COM1 ... COM%2, or all").arg(port).arg(LastComPort);
            return std::nullopt;
        }
#else
        else if (port.startsWith(QLatin1Char('/'))) {
            target = Target{port, port, 0, true, QString(), {}};
        } else if (QFileInfo::exists(QStringLiteral("/dev/") + port)) {
            target = Target{port, QStringLiteral("/dev/") + port, 0, true, QString(), {}};
        } else {
            *why = QStringLiteral("no port \"%1\": give COM1 ... COM%2, a device path, or all")
                       .arg(port)
                       .arg(LastComPort);
            return std::nullopt;
        }
#endif
        // One device written by two threads at once would end up with
        // neither's rows.
        if (contains(targets, target.device)) {
            *why = QStringLiteral("%1 is given twice").arg(target.device);
            return std::nullopt;
        }
        targets << target;
    }
    return targets;
}

#ifdef Q_OS_WIN
// Windows names each port COMn itself, and has no other: the ports it lists,
// in the order of their numbers, each with what Windows calls it.
QList<Target> windowsPorts(const PortsSection &ports)
{
    QList<Target> listed;
    for (const SerialPortEntry &entry : availableSerialPorts()) {
        if (const std::optional<int> n = parseComPort(entry.portName)) {
            Target target = comTarget(*n, ports);
            target.named = false;
            target.description = entry.description;
            listed << target;
        }
    }
    std::sort(listed.begin(), listed.end(), [](const Target &a, const Target &b) { return a.com < b.com; });
    return listed;
}
#endif

QList<Target> candidateTargets(const PortsSection &ports, const QList<Target> &except)
{
    QList<Target> found;
#ifdef Q_OS_WIN
    for (const Target &port : windowsPorts(ports)) {
        if (!contains(except, port.device))
            found << port;
    }
#else
    const auto add = [&](const Target &target) {
        if (!contains(except, target.device) && !contains(found, target.device))
            found << target;
    };
    for (int n = 1; n <= OfferedComPorts; ++n)
        add(comTarget(n, ports));
    for (const SerialPortEntry &entry : availableSerialPorts())
        add(Target{entry.systemLocation, entry.systemLocation, 0, false, entry.description, {}});
#endif
    return found;
}

QList<Target> existingPorts(const PortsSection &ports)
{
#ifdef Q_OS_WIN
    return windowsPorts(ports);
#else
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
#endif
}

QString rowsFileName(const Target &target)
{
#ifdef Q_OS_WIN
    return target.port + QStringLiteral("-rows.cfg");
#else
    return QFileInfo(target.port).fileName() + QStringLiteral(".cfg");
#endif
}
