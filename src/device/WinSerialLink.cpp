#include "device/WinSerialLink.h"

#include "core/KorvexError.h"
#include "device/PortMapping.h"
#include "device/QtSerialLink.h" // the shared open-failure and lost-connection texts

#include <QWinEventNotifier>

#include <climits>
#include <utility>

#include <windows.h>

namespace {

QString systemText(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString result = length ? QString::fromWCharArray(text, length).trimmed() : QString();
    LocalFree(text);
    return result.isEmpty() ? QStringLiteral("Windows error %1").arg(error) : result;
}

// "COM3" is a name only in the DOS name space, which knows COM1 to COM9; the
// device name space reaches every port, COM10 and up included.
QString deviceName(const QString &path)
{
    return path.startsWith(QLatin1String("\\\\")) ? path : QStringLiteral("\\\\.\\") + path;
}

BYTE parityCode(char letter)
{
    switch (letter) {
    case 'E':
        return EVENPARITY;
    case 'O':
        return ODDPARITY;
    case 'M':
        return MARKPARITY;
    case 'S':
        return SPACEPARITY;
    default:
        return NOPARITY;
    }
}

BYTE stopBitsCode(int stopBits)
{
    switch (stopBits) {
    case 1:
        return ONESTOPBIT;
    case 15:
        return ONE5STOPBITS;
    default:
        return TWOSTOPBITS;
    }
}

// Waits for an overlapped operation started on handle, at most ms; on
// timeout it is cancelled. False with the reason in *error when it failed.
bool finish(HANDLE handle, OVERLAPPED &overlapped, DWORD ms, DWORD *done, DWORD *error)
{
    if (WaitForSingleObject(overlapped.hEvent, ms) != WAIT_OBJECT_0)
        CancelIoEx(handle, &overlapped);
    if (GetOverlappedResult(handle, &overlapped, done, TRUE))
        return true;
    *error = GetLastError();
    return false;
}

} // namespace

// The system objects of an open port. The OVERLAPPED of the receive wait and
// the mask it writes belong to the driver while the wait is pending, so they
// live here, at a fixed address, until the wait has been collected.
struct WinSerialLink::Handles
{
    HANDLE port = INVALID_HANDLE_VALUE;
    OVERLAPPED receive{};
    DWORD receiveMask = 0;
    bool receivePending = false; // the wait is the driver's
    bool receiveDone = false;    // it ended as it was started
    OVERLAPPED transfer{};       // reads and writes, one at a time, always finished before returning
    QWinEventNotifier *notifier = nullptr;
};

WinSerialLink::WinSerialLink(SettingsFile settings, QObject *parent)
    : SerialLinkBase(std::move(settings), parent), m_os(std::make_unique<Handles>())
{}

WinSerialLink::~WinSerialLink()
{
    closeHandles();
}

void WinSerialLink::setLineSettings(const LineSettings &settings)
{
    m_settings = settings;
    if (isOpen())
        applyLineSettings(settings);
}

bool WinSerialLink::isOpen() const
{
    return m_os->port != INVALID_HANDLE_VALUE;
}

void WinSerialLink::applyLineSettings(const LineSettings &settings)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool applied = GetCommState(m_os->port, &dcb);
    if (applied) {
        dcb.BaudRate = static_cast<DWORD>(settings.baud);
        dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
        dcb.Parity = parityCode(settings.parity);
        dcb.fParity = dcb.Parity != NOPARITY;
        dcb.StopBits = stopBitsCode(settings.stopBits);
        dcb.fBinary = TRUE;
        // No handshake of any kind, and DTR and RTS on while the port is open,
        // as a Unix system leaves them.
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE; // the device's frames end with a 0x00 the program must see
        dcb.fAbortOnError = FALSE;
        applied = SetCommState(m_os->port, &dcb);
    }
    if (!applied)
        throw failure(OpenFailure::SettingsRefused, openPath(), systemText(GetLastError()));
}

void WinSerialLink::open()
{
    throwPendingFailure();
    if (isOpen())
        return;

    const QString path = devicePath();
    const HANDLE port =
        CreateFileW(reinterpret_cast<const wchar_t *>(deviceName(path).utf16()), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        OpenFailure kind = OpenFailure::Other;
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            kind = OpenFailure::NotFound;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            kind = OpenFailure::InUse;
            break;
        default:
            break;
        }
        throw failure(kind, path, systemText(error));
    }

    m_os->port = port;
    m_received.clear();
    try {
        opened(path, reinterpret_cast<qintptr>(port));
        applyLineSettings(m_settings);
        // Reads return at once with what the driver holds; a write the line
        // does not take within a second or so fails instead of hanging.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.WriteTotalTimeoutMultiplier =
            static_cast<DWORD>(2 * 11 * 1000 / qMax(1, m_settings.baud) + 1);
        timeouts.WriteTotalTimeoutConstant = 1000;
        if (!SetCommTimeouts(port, &timeouts) || !SetCommMask(port, EV_RXCHAR))
            throwLost(systemText(GetLastError()));
        m_os->receive.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_os->transfer.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!m_os->receive.hEvent || !m_os->transfer.hEvent)
            throwLost(systemText(GetLastError()));
        m_os->notifier = new QWinEventNotifier(m_os->receive.hEvent, this);
        connect(m_os->notifier, &QWinEventNotifier::activated, this, &WinSerialLink::onCommEvent);
        armReceiveWait();
    } catch (const KorvexError &) {
        close();
        throw;
    }
    // A failure of the first wait belongs to this open.
    throwPendingFailure();
}

void WinSerialLink::armReceiveWait()
{
    // Windows clears the event when the wait starts; not every driver (nor
    // Wine) does, and a stale signal would keep the notifier firing.
    ResetEvent(m_os->receive.hEvent);
    if (WaitCommEvent(m_os->port, &m_os->receiveMask, &m_os->receive)) {
        // A byte came meanwhile. The event is set, so the notifier wakes the
        // loop all the same, and the next wait is armed from there.
        m_os->receiveDone = true;
        SetEvent(m_os->receive.hEvent);
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        m_os->receivePending = true;
        return;
    }
    noteFailure(systemText(error));
    m_os->notifier->setEnabled(false); // the event may stay set: stop it firing
}

void WinSerialLink::onCommEvent()
{
    if (!isOpen() || hasFailed())
        return;
    DWORD error = ERROR_SUCCESS;
    if (m_os->receivePending) {
        DWORD done = 0;
        if (!GetOverlappedResult(m_os->port, &m_os->receive, &done, FALSE)) {
            error = GetLastError();
            // Windows records a wait's outcome before it sets the event, so an
            // event that is still set belongs to a wait that is over. Wine's
            // serial driver can record "pending" after a short wait has
            // already ended; taken for a stale signal, that wait would never
            // be collected, no byte would wake the loop again, and closing
            // would wait for it in vain (docs/windows.md).
            if (error == ERROR_IO_INCOMPLETE) {
                if (WaitForSingleObject(m_os->receive.hEvent, 0) != WAIT_OBJECT_0)
                    return; // a signal from before this wait
                error = ERROR_SUCCESS;
            }
            // A wait the driver gave up on is no failure of the port: one that
            // is gone fails the next call. (Wine gives up on every wait on a
            // terminal after a few milliseconds, as it cannot watch its modem
            // lines.)
            if (error == ERROR_OPERATION_ABORTED)
                error = ERROR_SUCCESS;
        }
        m_os->receivePending = false;
    } else if (!m_os->receiveDone) {
        return;
    }
    m_os->receiveDone = false;
    // Waking the thread's event loop was the point. The bytes are taken from
    // the driver before the next wait starts: some drivers (and Wine) end a
    // wait at once while bytes are queued, which would wake the loop again
    // and again.
    if (error == ERROR_SUCCESS)
        pull(&error);
    if (error != ERROR_SUCCESS) {
        // The adapter was pulled, or the driver gave up on the port.
        noteFailure(systemText(error));
        m_os->notifier->setEnabled(false);
        return;
    }
    rearmUnlessFull();
}

void WinSerialLink::rearmUnlessFull()
{
    // With the program's share full, the rest waits in the driver, and the
    // wait starts again once the program has taken some.
    if (!m_os->receivePending && !m_os->receiveDone && !hasFailed() && m_received.size() < ReadBufferLimit)
        armReceiveWait();
}

void WinSerialLink::close()
{
    closeHandles();
}

void WinSerialLink::closeHandles()
{
    forgetFailure();
    m_received.clear();
    if (m_os->port == INVALID_HANDLE_VALUE)
        return;
    delete m_os->notifier;
    m_os->notifier = nullptr;
    if (m_os->receivePending) {
        // The driver writes into the OVERLAPPED, the mask and the event until
        // the wait is over: end it, and collect it, before any of them goes.
        // A new event mask ends a pending wait at once (Wine does not cancel
        // one); cancelling is for the rest.
        SetCommMask(m_os->port, 0);
        CancelIoEx(m_os->port, &m_os->receive);
        DWORD done = 0;
        if (!GetOverlappedResultEx(m_os->port, &m_os->receive, &done, 2000, FALSE) &&
            GetLastError() == WAIT_TIMEOUT) {
            // A driver that does not let go keeps what it writes into: the
            // port is closed all the same, and these few bytes left to it.
            CloseHandle(m_os->port);
            CloseHandle(m_os->transfer.hEvent);
            m_os.release();
            m_os = std::make_unique<Handles>();
            return;
        }
        m_os->receivePending = false;
    }
    m_os->receiveDone = false;
    CloseHandle(m_os->port);
    m_os->port = INVALID_HANDLE_VALUE;
    for (OVERLAPPED *overlapped : {&m_os->receive, &m_os->transfer}) {
        if (overlapped->hEvent)
            CloseHandle(overlapped->hEvent);
        *overlapped = OVERLAPPED{};
    }
}

void WinSerialLink::write(const QByteArray &bytes)
{
    requireOpen();
    if (bytes.isEmpty())
        return;
    // The driver's own write timeout ends a write the line does not take;
    // this bound only guards against a driver that ignores it.
    const DWORD bound = 2000 + static_cast<DWORD>(bytes.size()) * 2 * 11 * 1000 / qMax(1, m_settings.baud);
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    OVERLAPPED &overlapped = m_os->transfer;
    const bool started =
        WriteFile(m_os->port, bytes.constData(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped) ||
        (error = GetLastError()) == ERROR_IO_PENDING;
    if (!started || !finish(m_os->port, overlapped, bound, &written, &error))
        throwLost(systemText(error));
    if (written != static_cast<DWORD>(bytes.size()))
        throwLost(QStringLiteral("%1 of %2 bytes sent").arg(written).arg(bytes.size()));
    throwPendingFailure();
}

bool WinSerialLink::pull(DWORD *error)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(m_os->port, &errors, &status)) {
        *error = GetLastError();
        return false;
    }
    const qint64 wanted = qMin<qint64>(status.cbInQue, ReadBufferLimit - m_received.size());
    if (wanted <= 0)
        return true;
    const qsizetype before = m_received.size();
    m_received.resize(before + wanted);
    DWORD got = 0;
    OVERLAPPED &overlapped = m_os->transfer;
    // The read timeouts make it return at once with what is there.
    const bool read =
        (ReadFile(m_os->port, m_received.data() + before, static_cast<DWORD>(wanted), nullptr, &overlapped) ||
         (*error = GetLastError()) == ERROR_IO_PENDING) &&
        finish(m_os->port, overlapped, 1000, &got, error);
    m_received.resize(before + (read ? got : 0));
    return read;
}

void WinSerialLink::takeWaiting()
{
    requireOpen();
    DWORD error = ERROR_SUCCESS;
    if (!pull(&error))
        throwLost(systemText(error));
    throwPendingFailure();
}

int WinSerialLink::bytesWaiting()
{
    takeWaiting();
    return static_cast<int>(qMin<qint64>(m_received.size(), INT_MAX));
}

QByteArray WinSerialLink::peek()
{
    takeWaiting();
    return m_received;
}

QByteArray WinSerialLink::readAll()
{
    takeWaiting();
    const QByteArray taken = std::exchange(m_received, QByteArray());
    rearmUnlessFull();
    return taken;
}
