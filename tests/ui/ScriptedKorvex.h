#pragma once

#include "device/SerialPort.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <functional>

class FakeWaiter;

// A serial port with a KORVEX behind it, on the virtual clock of a
// FakeWaiter: it answers the probe, the version query, reads and writes one
// millisecond after the command, from sixteen rows it keeps.
class ScriptedKorvex : public SerialPort
{
public:
    struct Row
    {
        quint8 scancode = 0xFF;
        QByteArray bytes;
    };

    explicit ScriptedKorvex(FakeWaiter &clock);

    void setPortNumber(int) override {}
    void setSettings(const QByteArray &) override {}
    bool isOpen() const override { return m_open; }
    void open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    QByteArray readAll() override;

    std::array<Row, 16> rows;
    QByteArray version = QByteArrayLiteral("KORVEX 2.14\r\n");
    // Called for every write, after the device has taken it in.
    std::function<void(const QByteArray &bytes)> onWrite;

    int opens() const { return m_opens; }
    const QList<QByteArray> &commands() const { return m_commands; }

private:
    void take(char byte);
    void reply(const QByteArray &bytes);
    void arrive();

    FakeWaiter &m_clock;
    bool m_open = false;
    int m_opens = 0;
    QByteArray m_command;
    QList<QByteArray> m_commands;
    QList<std::pair<qint64, QByteArray>> m_pending;
    QByteArray m_received;
};
