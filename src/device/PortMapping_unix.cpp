#include "device/PortMapping.h"

#include "core/KorvexError.h"

// COMn is a name this program gives; the system has none of its own.
QList<SystemComPort> systemComPorts()
{
    return {};
}

QString serialDevicePath(int portNumber, const PortsSection &ports)
{
    const auto mapped = ports.devices.find(portNumber);
    if (mapped != ports.devices.end())
        return resolveDevicePath(portNumber, mapped->second, {});
    if (!ports.problems.isEmpty())
        throw KorvexError(QStringLiteral("which device %1 is cannot be known: %2. Mend that line of the "
                                         "[PORTS] section, or name %1 there")
                              .arg(comPortName(portNumber), ports.problems.constFirst()));
    // Listing the ports reads the system's device tree; only done when needed.
    return resolveDevicePath(portNumber, QString(), availableSerialPorts());
}

QString serialDevicePath(int portNumber, const SettingsFile &settings)
{
    return serialDevicePath(portNumber, settings.ports());
}

QString describeSerialPort(int portNumber, const SettingsFile &settings)
{
    try {
        return serialDevicePath(portNumber, settings);
    } catch (const KorvexError &error) {
        return error.description();
    }
}
