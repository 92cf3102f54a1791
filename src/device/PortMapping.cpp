#include "device/PortMapping.h"

#include "core/KorvexError.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace {

const QString DevDir = QStringLiteral("/dev/");

QString baseName(const QString &location)
{
    return location.mid(location.lastIndexOf(QLatin1Char('/')) + 1);
}

// Name order with numbers compared as numbers: ttyUSB2 before ttyUSB10.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            const QString na = a.mid(i, ei - i);
            const QString nb = b.mid(j, ej - j);
            const qulonglong va = na.toULongLong();
            const qulonglong vb = nb.toULongLong();
            if (va != vb)
                return va < vb;
            i = ei;
            j = ej;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

bool isUsbAdapter(const SerialPortEntry &entry)
{
    const QString name = baseName(entry.systemLocation);
    return entry.hasVendorId || name.startsWith(QLatin1String("ttyUSB")) ||
           name.startsWith(QLatin1String("ttyACM"));
}

QString resolveDevicePath(int portNumber, const QString &configured, const QList<SerialPortEntry> &available)
{
    const QString chosen = configured.trimmed();
    if (!chosen.isEmpty())
        return chosen.startsWith(QLatin1Char('/')) ? chosen : DevDir + chosen;

    QStringList adapters;
    for (const SerialPortEntry &entry : available) {
        if (isUsbAdapter(entry) && !adapters.contains(entry.systemLocation))
            adapters.append(entry.systemLocation);
    }
    std::sort(adapters.begin(), adapters.end(), naturalLess);
    if (portNumber >= 1 && portNumber <= adapters.size())
        return adapters.at(portNumber - 1);
    return DevDir + QStringLiteral("ttyS") + QString::number(portNumber - 1);
}

QList<SerialPortEntry> availableSerialPorts()
{
    QList<SerialPortEntry> entries;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        QString description = info.description();
        if (!info.manufacturer().isEmpty() && !description.contains(info.manufacturer()))
            description += QStringLiteral(" (%1)").arg(info.manufacturer());
        entries.append(
            {info.systemLocation(), info.hasVendorIdentifier(), info.portName(), description.trimmed()});
    }
    return entries;
}

QMap<int, QString> offeredComPorts(const QList<SystemComPort> &system, int stored)
{
    QMap<int, QString> offered;
    for (int n = 1; n <= OfferedComPorts; ++n)
        offered.insert(n, comPortName(n));
    for (const SystemComPort &port : system) {
        if (port.number <= OfferedComPorts || port.number > LastComPort)
            continue;
        const QString name = comPortName(port.number);
        offered.insert(port.number,
                       port.description.isEmpty() ? name : name + QLatin1Char(' ') + port.description);
    }
    if (stored >= 1 && stored <= LastComPort && !offered.contains(stored))
        offered.insert(stored, comPortName(stored));
    return offered;
}

void PortChoice::setNumber(int n)
{
    if (n < 1 || n > LastComPort)
        throw KorvexError(
            QStringLiteral("invalid port number %1: COM1 to COM%2 exist").arg(n).arg(LastComPort));
    m_number = n;
}

void PortChoice::setDevice(const QString &path, const QString &name)
{
    m_fixedPath = path;
    m_fixedName = name;
    m_identity.reset();
}

QString PortChoice::portName() const
{
    if (m_fixedPath.isEmpty())
        return comPortName(m_number);
    return m_fixedName.isEmpty() ? m_fixedPath : m_fixedName;
}

QString PortChoice::devicePath() const
{
    return m_fixedPath.isEmpty() ? serialDevicePath(m_number, m_settings) : m_fixedPath;
}

void PortChoice::opened(qintptr handle)
{
    if (m_fixedPath.isEmpty())
        return;
    const std::optional<DeviceIdentity> now = deviceIdentity(handle);
    if (!m_identity) {
        m_identity = now;
    } else if (now && !(*now == *m_identity)) {
        throw KorvexError(QStringLiteral("%1 now leads elsewhere: %2 is not the device this run began with, "
                                         "so nothing more is sent to it")
                              .arg(portName(), m_fixedPath));
    }
}
