#include "FakeKorvex.h"

#include "FakeSerialPort.h"

FakeKorvex::FakeKorvex(FakeSerialPort &port) : m_port(port)
{
    m_port.onWrite = [this](const QByteArray &bytes, qint64 now) { receive(bytes, now); };
}

void FakeKorvex::reply(qint64 now, const QByteArray &bytes)
{
    m_port.deliverAt(now + latencyMs, bytes);
}

QByteArray FakeKorvex::readReply(int index) const
{
    const Row &row = rows.at(static_cast<std::size_t>(index));
    return char(row.scancode) + row.bytes + '\0';
}

void FakeKorvex::receive(const QByteArray &bytes, qint64 now)
{
    m_pending += bytes;
    for (;;) {
        if (m_pending.isEmpty())
            return;
        qsizetype length = 0;
        const char first = m_pending.at(0);
        if (first == 'z' || first == 'V') {
            length = 1;
        } else if (m_pending.startsWith("/R")) {
            if (m_pending.size() < 4)
                return;
            length = 4;
        } else if (m_pending.startsWith("/W")) {
            // "/W", index, scancode (any byte), string bytes, 0x00.
            const qsizetype end = m_pending.size() > 4 ? m_pending.indexOf('\0', 4) : -1;
            if (end < 0)
                return;
            length = end + 1;
        } else if (first == '/' && m_pending.size() < 2) {
            return;
        } else {
            m_pending.remove(0, 1); // line noise
            continue;
        }
        const QByteArray command = m_pending.left(length);
        m_pending.remove(0, length);
        commands.append(command);
        if (!intercept || !intercept(command, now))
            answer(command, now);
    }
}

void FakeKorvex::answer(const QByteArray &command, qint64 now)
{
    const char first = command.at(0);
    if (first == 'z') {
        if (!probeReply.isEmpty())
            reply(now, probeReply);
        return;
    }
    if (first == 'V') {
        reply(now, version);
        return;
    }
    const int index = command.at(2) - '0';
    if (index < 0 || index > 15)
        return;
    if (command.at(1) == 'R') {
        reply(now, readReply(index));
        return;
    }
    Row &row = rows.at(static_cast<std::size_t>(index));
    row.scancode = static_cast<quint8>(command.at(3));
    row.bytes = command.mid(4, command.size() - 5);
    reply(now, QByteArrayLiteral("\x06") + command.at(2));
}
