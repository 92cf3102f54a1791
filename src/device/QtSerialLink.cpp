#include "device/QtSerialLink.h"

#include "core/KorvexError.h"
#include "device/PortMapping.h"

#include <QFileInfo>
#include <QMetaObject>

#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>
#endif

namespace {

// "COM3 (/dev/ttyUSB0)"; the device alone when it is named by its path.
QString portLabel(const QString &portName, const QString &path)
{
    return portName == path || path.isEmpty() ? portName : QStringLiteral("%1 (%2)").arg(portName, path);
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
DeviceOwner ownerOf(const QString &path)
{
    const QFileInfo device(path);
    return {device.owner(), device.group()};
}
#endif

// QSerialPort's handle is a descriptor on Unix and a HANDLE on Windows.
[[maybe_unused]] qintptr handleValue(int descriptor)
{
    return descriptor;
}
[[maybe_unused]] qintptr handleValue(void *handle)
{
    return reinterpret_cast<qintptr>(handle);
}

KorvexError::Kind errorKind(OpenFailure kind)
{
    switch (kind) {
    case OpenFailure::NotFound:
        return KorvexError::Kind::PortMissing;
    case OpenFailure::NoPermission:
        return KorvexError::Kind::NoPermission;
    case OpenFailure::InUse:
        return KorvexError::Kind::InUse;
    case OpenFailure::SettingsRefused:
        return KorvexError::Kind::SettingsRefused;
    case OpenFailure::NotSerial:
    case OpenFailure::Other:
        break;
    }
    return KorvexError::Kind::Other;
}

QString openFailureText(const QString &port, OpenFailure kind, const QString &portName, const QString &path,
                        const QString &systemText, const DeviceOwner &owner, const QByteArray &settings)
{
    switch (kind) {
    case OpenFailure::NotFound:
#ifdef Q_OS_WIN
        Q_UNUSED(portName);
        Q_UNUSED(path);
        return QStringLiteral("%1 does not exist on this computer. Choose another port.").arg(port);
#else
        if (portName == path)
            return QStringLiteral("%1 does not exist. Check that the adapter is plugged in.").arg(port);
        return QStringLiteral(
                   "%1 does not exist. Check that the adapter is plugged in, or name the device in "
                   "the [PORTS] section of Korvex.ini, e.g. %2=/dev/ttyUSB0")
            .arg(port, portName);
#endif
    case OpenFailure::NoPermission:
#ifdef Q_OS_WIN
        // Windows denies a port only while another program has it open; there
        // is no group to join.
        Q_UNUSED(owner);
        return QStringLiteral("%1 is in use by another program. Close that program and try again.").arg(port);
#else
        // Serial ports are opened up to their users through dialout; any other
        // owner is someone to ask.
        if (owner.group == QLatin1String("dialout"))
            return QStringLiteral("%1: permission denied. Add your user to the group dialout (sudo usermod "
                                  "-aG dialout $USER), then log out and back in.")
                .arg(port);
        return QStringLiteral(
                   "%1: permission denied. The device belongs to the user %2 and the group %3: ask "
                   "for access to it.")
            .arg(port, owner.user.isEmpty() ? QStringLiteral("?") : owner.user,
                 owner.group.isEmpty() ? QStringLiteral("?") : owner.group);
#endif
    case OpenFailure::InUse:
        return QStringLiteral("%1 is in use by another program. Close that program and try again.").arg(port);
    case OpenFailure::SettingsRefused:
        return QStringLiteral("%1 does not accept the settings %2 (%3).")
            .arg(port, QString::fromLatin1(settings), systemText);
    case OpenFailure::NotSerial:
        return QStringLiteral("%1 is not a serial device.").arg(port);
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("%1: %2").arg(port, systemText);
}

// A file, a folder or a pipe where a device was expected: opening it as a
// port fails with a confusing settings error, or waits for ever on a pipe.
bool isOtherThanDevice(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISCHR(status.st_mode);
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

KorvexError openFailure(const QString &portName, const QString &path, OpenFailure kind,
                        const QString &systemText, const DeviceOwner &owner, const QByteArray &settings)
{
    return KorvexError(
        openFailureText(portLabel(portName, path), kind, portName, path, systemText, owner, settings),
        errorKind(kind));
}

QString lostConnectionDescription(const QString &portName, const QString &path, const QString &systemText)
{
    const QString why = systemText.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(systemText);
    return QStringLiteral("%1 stopped working%2. Check the cable and the adapter, then try again.")
        .arg(portLabel(portName, path), why);
}

QtSerialLink::QtSerialLink(SettingsFile settings, QObject *parent)
    : QObject(parent), m_port(std::move(settings))
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
    return m_port.devicePath();
}

void QtSerialLink::setDevice(const QString &path, const QString &name)
{
    m_port.setDevice(path, name);
}

QString QtSerialLink::portName() const
{
    return m_port.portName();
}

void QtSerialLink::setPortNumber(int n)
{
    m_port.setNumber(n);
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
        throw openFailure(portName(), m_openPath, OpenFailure::SettingsRefused, m_serial.errorString(), {},
                          settings.text());
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
    if (isOtherThanDevice(path))
        throw openFailure(portName(), path, OpenFailure::NotSerial, QString(), {}, m_settings.text());
    m_serial.setPortName(path);
    m_serial.setBaudRate(m_settings.baud);
    m_serial.setParity(toQtParity(m_settings.parity));
    m_serial.setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits));
    m_serial.setStopBits(toQtStopBits(m_settings.stopBits));
    m_serial.setReadBufferSize(ReadBufferLimit);
    if (m_serial.open(QIODevice::ReadWrite)) {
        m_openPath = path;
        lockDevice(path);
        try {
            m_port.opened(handleValue(m_serial.handle()));
        } catch (const KorvexError &) {
            m_serial.close();
            throw;
        }
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
    const DeviceOwner owner;
#else
    const DeviceOwner owner = ownerOf(path);
#endif
    throw openFailure(portName(), path, kind, m_serial.errorString(), owner, m_settings.text());
}

void QtSerialLink::lockDevice(const QString &path)
{
#ifdef Q_OS_UNIX
    // QSerialPort's own lock is on the device's name, and its exclusive mode
    // does not hold against root: a second name for the same device (a link
    // under /dev/serial/by-id, say) would open it twice, and two programs
    // would write one device's rows at once. A lock on the open device holds.
    if (::flock(static_cast<int>(m_serial.handle()), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return;
    m_serial.close();
    throw openFailure(portName(), path, OpenFailure::InUse, QString(), {}, m_settings.text());
#else
    Q_UNUSED(path);
#endif
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
        lostConnectionDescription(portName(), m_openPath, staleText ? QString() : m_serial.errorString());
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
        throw KorvexError(QStringLiteral("%1 is not open").arg(portLabel(portName(), devicePath())));
}

void QtSerialLink::throwLost(const QString &systemText)
{
    const QString failure = lostConnectionDescription(portName(), m_openPath, systemText);
    close();
    throw KorvexError(failure);
}
