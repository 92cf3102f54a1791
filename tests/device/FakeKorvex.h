#pragma once

#include "FakeSerialPort.h"

#include <array>

// The device behind a FakeSerialPort: holds sixteen rows, answers the probe
// with 0xE8 and reads and writes as the device does, latencyMs after each
// command. It has no version to tell.
class FakeKorvex
{
public:
    struct Row
    {
        quint8 scancode = 0xFF;
        QByteArray bytes;
    };

    explicit FakeKorvex(FakeSerialPort &port) : m_port(port)
    {
        m_port.onWrite = [this](const QByteArray &bytes, qint64 now) {
            m_pending += bytes;
            // A write command comes in four writes, the last one its 0x00.
            if (m_pending.startsWith("/W") && (m_pending.size() < 5 || bytes != QByteArray(1, '\0')))
                return;
            const QByteArray command = std::exchange(m_pending, {});
            if (!intercept || !intercept(command, now))
                answer(command, now);
        };
    }

    std::array<Row, 16> rows;
    int latencyMs = 1;
    // Answers a complete command in the device's place when it returns true.
    std::function<bool(const QByteArray &command, qint64 now)> intercept;

    void reply(qint64 now, const QByteArray &bytes) { m_port.deliverAt(now + latencyMs, bytes); }

private:
    void answer(const QByteArray &command, qint64 now)
    {
        if (command.size() == 1) // "z" or "V"
            return reply(now, command == "z" ? QByteArrayLiteral("\xE8") : QByteArray());
        Row &row = rows.at(static_cast<std::size_t>(command.at(2) - '0'));
        if (command.at(1) == 'R')
            return reply(now, char(row.scancode) + row.bytes + '\0');
        row = {static_cast<quint8>(command.at(3)), command.mid(4, command.size() - 5)};
        reply(now, '\x06' + command.mid(2, 1));
    }

    FakeSerialPort &m_port;
    QByteArray m_pending;
};
