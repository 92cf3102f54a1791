#include "ScriptedKorvex.h"

#include "support/FakeWaiter.h"

ScriptedKorvex::ScriptedKorvex(FakeWaiter &clock) : m_clock(clock) {}

void ScriptedKorvex::open()
{
    m_open = true;
    ++m_opens;
}

void ScriptedKorvex::close()
{
    m_open = false;
    m_pending.clear();
    m_received.clear();
}

void ScriptedKorvex::write(const QByteArray &bytes)
{
    for (const char byte : bytes)
        take(byte);
    if (onWrite)
        onWrite(bytes);
}

int ScriptedKorvex::bytesWaiting()
{
    arrive();
    return static_cast<int>(m_received.size());
}

QByteArray ScriptedKorvex::readAll()
{
    arrive();
    return std::exchange(m_received, QByteArray());
}

// Collects one command at a time: "z" and "V" alone, "/R" and "/W" frames up
// to their terminating 0x00.
void ScriptedKorvex::take(char byte)
{
    m_command.append(byte);
    const QByteArray &c = m_command;
    if (c == "z") {
        reply(QByteArrayLiteral("\xE8"));
    } else if (c == "V") {
        reply(version);
    } else if (c.startsWith("/R") && c.size() == 4) {
        const Row &row = rows.at(static_cast<std::size_t>(c.at(2) - '0') % 16);
        reply(char(row.scancode) + row.bytes + '\0');
    } else if (c.startsWith("/W") && c.size() >= 5 && byte == '\0') {
        const char index = c.at(2);
        rows.at(static_cast<std::size_t>(index - '0') % 16) = {static_cast<quint8>(c.at(3)),
                                                               c.mid(4, c.size() - 5)};
        reply(QByteArray("\x06") + index);
    } else if (c.startsWith('/') && c.size() < 12) {
        return; // a frame still coming
    }
    m_commands.append(std::exchange(m_command, QByteArray()));
}

void ScriptedKorvex::reply(const QByteArray &bytes)
{
    m_pending.append({m_clock.now() + 1, bytes});
}

void ScriptedKorvex::arrive()
{
    while (!m_pending.isEmpty() && m_pending.first().first <= m_clock.now())
        m_received += m_pending.takeFirst().second;
}
