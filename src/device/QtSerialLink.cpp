#include "device/QtSerialLink.h"

#include <QMetaObject>

#include <climits>

namespace {

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

// QSerialPort's handle is a descriptor on Unix and a HANDLE on Windows.
[[maybe_unused]] qintptr handleValue(int descriptor)
{
    return descriptor;
}
[[maybe_unused]] qintptr handleValue(void *handle)
{
    return reinterpret_cast<qintptr>(handle);
}

OpenFailure failureOf(QSerialPort::SerialPortError error, const QString &path)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NotFound;
    case QSerialPort::PermissionError:
        return permissionRefusal(path);
    case QSerialPort::UnsupportedOperationError:
        return OpenFailure::SettingsRefused;
    default:
        return OpenFailure::Other;
    }
}

} // namespace

QtSerialLink::QtSerialLink(SettingsFile settings, QObject *parent)
    : SerialLinkBase(std::move(settings), parent)
{
    connect(&m_serial, &QSerialPort::errorOccurred, this, &QtSerialLink::onErrorOccurred);
}

QtSerialLink::~QtSerialLink()
{
    if (m_serial.isOpen())
        m_serial.close();
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
        throw failure(OpenFailure::SettingsRefused, openPath(), m_serial.errorString());
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
        throw failure(OpenFailure::NotSerial, path, QString());
    m_serial.setPortName(path);
    m_serial.setBaudRate(m_settings.baud);
    m_serial.setParity(toQtParity(m_settings.parity));
    m_serial.setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits));
    m_serial.setStopBits(toQtStopBits(m_settings.stopBits));
    m_serial.setReadBufferSize(ReadBufferLimit);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        const OpenFailure kind = failureOf(m_serial.error(), path);
        throw failure(kind, path, m_serial.errorString(), ownerOf(path));
    }
    if (!lockOpenDevice(handleValue(m_serial.handle()))) {
        m_serial.close();
        throw failure(OpenFailure::InUse, path, QString());
    }
    opened(path, handleValue(m_serial.handle()));
}

void QtSerialLink::close()
{
    forgetFailure();
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

void QtSerialLink::takeWaiting()
{
    requireOpen();
    m_serial.waitForReadyRead(0);
    throwPendingFailure();
}

int QtSerialLink::bytesWaiting()
{
    takeWaiting();
    return static_cast<int>(qMin<qint64>(m_serial.bytesAvailable(), INT_MAX));
}

QByteArray QtSerialLink::peek()
{
    takeWaiting();
    return m_serial.peek(m_serial.bytesAvailable());
}

QByteArray QtSerialLink::readAll()
{
    takeWaiting();
    return m_serial.readAll();
}

void QtSerialLink::onErrorOccurred(QSerialPort::SerialPortError error)
{
    // Timeouts come from the non-blocking polls above; failures while closed
    // belong to open(), which reports them itself.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_serial.isOpen() ||
        hasFailed())
        return;
    // After a vanished device the system's text is stale (often "Inappropriate
    // ioctl for device") and would mislead; the read error says all we know.
    const bool staleText = error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
    noteFailure(staleText ? QString() : m_serial.errorString());
    // A vanished device makes QSerialPort repeat this error forever. Close
    // from the event loop, not from inside QSerialPort's own notification.
    QMetaObject::invokeMethod(this, &QtSerialLink::closeAfterFailure, Qt::QueuedConnection);
}

void QtSerialLink::closeAfterFailure()
{
    if (hasFailed() && m_serial.isOpen())
        m_serial.close();
}
