#include "device/QtSerialLink.h"

#include "core/KorvexError.h"
#include "device/PortMapping.h"

#include <QFileInfo>
#include <QMetaObject>

#include <climits>

namespace {

// "COM3 (/dev/ttyUSB0)"; just the device when no COMn was asked for (0).
QString portLabel(int portNumber, const QString &path)
{
    if (portNumber == 0)
        return path;
    const QString com = QStringLiteral("COM") + QString::number(portNumber);
    return path == com ? com : QStringLiteral("%1 (%2)").arg(com, path);
}

QSerialPort::Parity toQtParity(char letter)
{
    switch (letter) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits toQtStopBits(int stopBits)
{
    switch (stopBits) {
    case 1:
        return QSerialPort::OneStop;
    case 15:
        return QSerialPort::OneAndHalfStop;
    default:
        return QSerialPort::TwoStop;
    }
}

#ifndef Q_OS_WIN
// The group a user has to join to use the device; root-owned devices are
// usually opened up through dialout.
QString deviceGroup(const QString &path)
{
    const QString group = QFileInfo(path).group();
    return group.isEmpty() || group == QLatin1String("root") ? QStringLiteral("dialout") : group;
}
#endif

} // namespace

QString openFailureDescription(int portNumber, const QString &path, OpenFailure kind,
                               const QString &systemText, const QString &group, const QByteArray &settings)
{
    const QString port = portLabel(portNumber, path);
    switch (kind) {
    case OpenFailure::NotFound:
#ifdef Q_OS_WIN
        return QStringLiteral("%1 does not exist on this computer. Choose another port in Configuration.")
            .arg(port);
#else
        if (portNumber == 0)
            return QStringLiteral("%1 does not exist. Check that the adapter is plugged in.").arg(port);
        return QStringLiteral(
                   "%1 does not exist. Check that the adapter is plugged in, or name the device in "
                   "the [PORTS] section of Korvex.ini, e.g. COM%2=/dev/ttyUSB0")
            .arg(port)
            .arg(portNumber);
#endif
    case OpenFailure::NoPermission:
#ifdef Q_OS_WIN
        // Windows denies a port only while another program has it open; there
        // is no group to join.
        Q_UNUSED(group);
        return QStringLiteral("%1 is in use by another program. Close that program and try again.").arg(port);
#else
        return QStringLiteral("%1: permission denied. Add your user to the group %2 (sudo usermod -aG %2 "
                              "$USER), then log out and back in.")
            .arg(port, group.isEmpty() ? QStringLiteral("dialout") : group);
#endif
    case OpenFailure::InUse:
        return QStringLiteral("%1 is in use by another program. Close that program and try again.").arg(port);
    case OpenFailure::SettingsRefused:
        return QStringLiteral(
                   "%1 does not accept the settings %2 (%3). Choose other settings in Configuration.")
            .arg(port, QString::fromLatin1(settings), systemText);
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("%1: %2").arg(port, systemText);
}

QString lostConnectionDescription(int portNumber, const QString &path, const QString &systemText)
{
    const QString why = systemText.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(systemText);
    return QStringLiteral("%1 stopped working%2. Check the cable and the adapter, then try again.")
        .arg(portLabel(portNumber, path), why);
}

QtSerialLink::QtSerialLink(QString iniPath, QObject *parent) : QObject(parent), m_iniPath(std::move(iniPath))
{
    connect(&m_serial, &QSerialPort::errorOccurred, this, &QtSerialLink::onErrorOccurred);
}

QtSerialLink::~QtSerialLink()
{
    if (m_serial.isOpen())
        m_serial.close();
}

QString QtSerialLink::devicePath() const
{
    return m_fixedPath.isEmpty() ? serialDevicePath(m_portNumber, m_iniPath) : m_fixedPath;
}

int QtSerialLink::shownPort() const
{
    return m_fixedPath.isEmpty() ? m_portNumber : 0;
}

void QtSerialLink::setPortNumber(int n)
{
    if (n < 1 || n > 255)
        throw KorvexError(QStringLiteral("invalid port number %1: COM1 to COM255 exist").arg(n));
    m_portNumber = n;
}

void QtSerialLink::setLineSettings(const LineSettings &settings)
{
    m_settings = settings;
    if (!m_serial.isOpen())
        return; // applied when the port is opened
    const bool applied = m_serial.setBaudRate(settings.baud) &&
                         m_serial.setParity(toQtParity(settings.parity)) &&
                         m_serial.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                         m_serial.setStopBits(toQtStopBits(settings.stopBits));
    if (!applied)
        throw KorvexError(openFailureDescription(shownPort(), m_openPath, OpenFailure::SettingsRefused,
                                                 m_serial.errorString(), QString(), settings.text()));
}

bool QtSerialLink::isOpen() const
{
    return m_serial.isOpen();
}

void QtSerialLink::open()
{
    throwPendingFailure();
    if (m_serial.isOpen())
        return;

    const QString path = devicePath();
    m_serial.setPortName(path);
    m_serial.setBaudRate(m_settings.baud);
    m_serial.setParity(toQtParity(m_settings.parity));
    m_serial.setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits));
    m_serial.setStopBits(toQtStopBits(m_settings.stopBits));
    m_serial.setReadBufferSize(ReadBufferLimit);
    if (m_serial.open(QIODevice::ReadWrite)) {
        m_openPath = path;
        return;
    }

    OpenFailure kind = OpenFailure::Other;
    switch (m_serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        kind = OpenFailure::NotFound;
        break;
    case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
        // Access denied: another program has the port open.
        kind = OpenFailure::InUse;
#else
        // Qt reports a port held by another program (lock file, exclusive
        // mode) as a permission error too; tell the two apart.
        const QFileInfo device(path);
        kind = device.exists() && !(device.isReadable() && device.isWritable()) ? OpenFailure::NoPermission
                                                                                : OpenFailure::InUse;
#endif
        break;
    }
    case QSerialPort::UnsupportedOperationError:
        kind = OpenFailure::SettingsRefused;
        break;
    default:
        break;
    }
#ifdef Q_OS_WIN
    const QString group;
#else
    const QString group = deviceGroup(path);
#endif
    throw KorvexError(
        openFailureDescription(shownPort(), path, kind, m_serial.errorString(), group, m_settings.text()));
}

void QtSerialLink::close()
{
    m_failure.clear();
    if (m_serial.isOpen())
        m_serial.close();
}

void QtSerialLink::write(const QByteArray &bytes)
{
    requireOpen();
    if (m_serial.write(bytes) != bytes.size())
        throwLost(m_serial.errorString());
    // Without this the bytes would leave only when the event loop next runs.
    m_serial.flush();
    throwPendingFailure();
}

int QtSerialLink::bytesWaiting()
{
    requireOpen();
    // Picks up bytes the system holds but the event loop has not read yet;
    // returns at once.
    m_serial.waitForReadyRead(0);
    throwPendingFailure();
    return static_cast<int>(qMin<qint64>(m_serial.bytesAvailable(), INT_MAX));
}

QByteArray QtSerialLink::peek()
{
    requireOpen();
    m_serial.waitForReadyRead(0);
    throwPendingFailure();
    return m_serial.peek(m_serial.bytesAvailable());
}

QByteArray QtSerialLink::readAll()
{
    requireOpen();
    m_serial.waitForReadyRead(0);
    throwPendingFailure();
    return m_serial.readAll();
}

void QtSerialLink::onErrorOccurred(QSerialPort::SerialPortError error)
{
    // Timeouts come from the non-blocking polls above; failures while closed
    // belong to open(), which reports them itself.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_serial.isOpen() ||
        !m_failure.isEmpty())
        return;
    // After a vanished device the system's text is stale (often "Inappropriate
    // ioctl for device") and would mislead; the read error says all we know.
    const bool staleText = error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
    m_failure =
        lostConnectionDescription(shownPort(), m_openPath, staleText ? QString() : m_serial.errorString());
    // A vanished device makes QSerialPort repeat this error forever. Close
    // from the event loop, not from inside QSerialPort's own notification.
    QMetaObject::invokeMethod(this, &QtSerialLink::closeAfterFailure, Qt::QueuedConnection);
}

void QtSerialLink::closeAfterFailure()
{
    if (!m_failure.isEmpty() && m_serial.isOpen())
        m_serial.close();
}

void QtSerialLink::throwPendingFailure()
{
    if (m_failure.isEmpty())
        return;
    const QString failure = m_failure;
    close();
    throw KorvexError(failure);
}

void QtSerialLink::requireOpen()
{
    throwPendingFailure();
    if (!m_serial.isOpen())
        throw KorvexError(QStringLiteral("%1 is not open").arg(portLabel(shownPort(), devicePath())));
}

void QtSerialLink::throwLost(const QString &systemText)
{
    const QString failure = lostConnectionDescription(shownPort(), m_openPath, systemText);
    close();
    throw KorvexError(failure);
}
