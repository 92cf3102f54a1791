#include "FakeSerialPort.h"

#include "core/KorvexError.h"
#include "device/LineSettings.h"
#include "support/FakeWaiter.h"

FakeSerialPort::FakeSerialPort(FakeWaiter &waiter) : m_waiter(waiter)
{
    m_waiter.onAdvance = [this](qint64) { arrive(); };
}

void FakeSerialPort::setPortNumber(int n)
{
    if (n < 1)
        throw KorvexError(QStringLiteral("invalid port number ") + QString::number(n));
    m_portNumber = n;
}

void FakeSerialPort::setSettings(const QByteArray &settings)
{
    parseLineSettings(settings); // refuses what the real port refuses
    m_settings = settings;
}

void FakeSerialPort::open()
{
    failIfVanished();
    if (!openFailure.isEmpty())
        throw KorvexError(openFailure);
    m_open = true;
    ++m_opens;
}

void FakeSerialPort::close()
{
    m_open = false;
    ++m_closes;
}

void FakeSerialPort::write(const QByteArray &bytes)
{
    failIfVanished();
    if (!m_open)
        throw KorvexError(QStringLiteral("write on a closed port"));
    m_writes.append({m_waiter.now(), bytes});
    if (onWrite)
        onWrite(bytes, m_waiter.now());
}

int FakeSerialPort::bytesWaiting()
{
    failIfVanished();
    if (!m_open)
        throw KorvexError(QStringLiteral("bytesWaiting on a closed port"));
    return static_cast<int>(m_received.size());
}

QByteArray FakeSerialPort::readAll()
{
    failIfVanished();
    if (!m_open)
        throw KorvexError(QStringLiteral("readAll on a closed port"));
    QByteArray taken;
    taken.swap(m_received);
    return taken;
}

void FakeSerialPort::deliverAt(qint64 at, const QByteArray &bytes)
{
    m_scheduled.append({at, bytes});
    arrive();
}

QByteArray FakeSerialPort::written() const
{
    QByteArray all;
    for (const Write &w : m_writes)
        all += w.bytes;
    return all;
}

void FakeSerialPort::arrive()
{
    // Bytes only arrive while the port is open; a closed port loses them.
    for (qsizetype i = 0; i < m_scheduled.size();) {
        if (m_scheduled.at(i).at <= m_waiter.now()) {
            if (m_open)
                m_received += m_scheduled.at(i).bytes;
            m_scheduled.removeAt(i);
        } else {
            ++i;
        }
    }
}

void FakeSerialPort::failIfVanished()
{
    if (vanishAt >= 0 && m_waiter.now() >= vanishAt) {
        m_open = false;
        throw KorvexError(QStringLiteral("the device vanished"));
    }
}
