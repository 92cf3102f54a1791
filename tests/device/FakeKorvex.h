#pragma once

#include <QByteArray>
#include <QList>

#include <array>
#include <functional>

class FakeSerialPort;

// The device end of a FakeSerialPort: keeps sixteen rows and answers the
// probe, the version query, reads and writes after latencyMs of virtual time.
class FakeKorvex
{
public:
    struct Row
    {
        quint8 scancode = 0xFF;
        QByteArray bytes;
    };

    explicit FakeKorvex(FakeSerialPort &port);

    std::array<Row, 16> rows;
    QByteArray probeReply = QByteArrayLiteral("\xE8"); // empty: ignores the probe
    QByteArray version = QByteArrayLiteral("2.1");
    int latencyMs = 1;

    // Lets a test answer a complete command itself; return true when it did.
    std::function<bool(const QByteArray &command, qint64 now)> intercept;
    // Every complete command received, in order.
    QList<QByteArray> commands;

    // Schedules bytes latencyMs after now.
    void reply(qint64 now, const QByteArray &bytes);
    // What a read of row index answers: scancode, bytes, 0x00.
    QByteArray readReply(int index) const;

private:
    void receive(const QByteArray &bytes, qint64 now);
    void answer(const QByteArray &command, qint64 now);

    FakeSerialPort &m_port;
    QByteArray m_pending;
};
