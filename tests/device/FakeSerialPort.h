#pragma once

#include "device/SerialPort.h"

#include <QList>
#include <QString>

#include <functional>

class FakeWaiter;

// A port on virtual time. Bytes the device sends are scheduled for a moment
// of the FakeWaiter's clock and become waiting once the clock reaches it.
// Every write is recorded with the time it was made.
class FakeSerialPort : public SerialPort
{
public:
    struct Write
    {
        qint64 at;
        QByteArray bytes;
    };

    explicit FakeSerialPort(FakeWaiter &waiter);

    void setPortNumber(int n) override;
    void setSettings(const QByteArray &settings) override;
    bool isOpen() const override { return m_open; }
    void open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    QByteArray readAll() override;

    // The device side: schedules bytes to arrive at virtual time `at`.
    void deliverAt(qint64 at, const QByteArray &bytes);
    // Called with every write, after it was recorded.
    std::function<void(const QByteArray &bytes, qint64 now)> onWrite;

    // Failure injection: open() throws this description when set.
    QString openFailure;
    // From this virtual time on, every port call but isOpen/close throws.
    qint64 vanishAt = -1;

    const QList<Write> &writes() const { return m_writes; }
    QByteArray written() const;
    int portNumber() const { return m_portNumber; }
    QByteArray settings() const { return m_settings; }
    int opens() const { return m_opens; }
    int closes() const { return m_closes; }

    // Moves the bytes that are due by now into the receive buffer.
    void arrive();

private:
    void failIfVanished();

    FakeWaiter &m_waiter;
    bool m_open = false;
    int m_portNumber = 0;
    QByteArray m_settings;
    int m_opens = 0;
    int m_closes = 0;
    QList<Write> m_writes;
    QList<Write> m_scheduled;
    QByteArray m_received;
};
