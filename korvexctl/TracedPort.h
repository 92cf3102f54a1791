#pragma once

#include "device/SerialPort.h"

#include <QElapsedTimer>
#include <QString>

class Console;

// A port that tells the console every byte it sends and receives (-v): each
// exchange on a line of its own, with the port's name and the seconds since
// the run began, the bytes in the program's byte notation.
class TracedPort : public SerialPort
{
public:
    TracedPort(SerialPort &port, Console &console, const QElapsedTimer &clock);

    void setPortNumber(int n) override { m_port.setPortNumber(n); }
    QString portName() const override { return m_port.portName(); }
    void setLineSettings(const LineSettings &settings) override;
    bool isOpen() const override { return m_port.isOpen(); }
    void open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    int bytesWaiting() override { return m_port.bytesWaiting(); }
    QByteArray peek() override { return m_port.peek(); }
    QByteArray readAll() override;

private:
    void trace(const QString &what, const QByteArray &bytes = {});

    SerialPort &m_port;
    Console &m_console;
    const QElapsedTimer &m_clock;
};
