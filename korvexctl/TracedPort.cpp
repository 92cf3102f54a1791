#include "TracedPort.h"

#include "Console.h"

#include "keys/KeyStringNotation.h"

TracedPort::TracedPort(SerialPort &port, Console &console, const QElapsedTimer &clock)
    : m_port(port), m_console(console), m_clock(clock)
{}

void TracedPort::setLineSettings(const LineSettings &settings)
{
    m_port.setLineSettings(settings);
    trace(QStringLiteral("line"), settings.text());
}

void TracedPort::open()
{
    if (!m_port.isOpen()) {
        m_port.open();
        trace(QStringLiteral("open"));
    }
}

void TracedPort::close()
{
    if (m_port.isOpen())
        trace(QStringLiteral("close"));
    m_port.close();
}

void TracedPort::write(const QByteArray &bytes)
{
    trace(QStringLiteral("->"), BytesAsNotation(bytes));
    m_port.write(bytes);
}

QByteArray TracedPort::readAll()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        trace(QStringLiteral("<-"), BytesAsNotation(bytes));
    return bytes;
}

void TracedPort::trace(const QString &what, const QByteArray &bytes)
{
    const QString line = QStringLiteral("%1 %2 %3 %4")
                             .arg(m_port.portName())
                             .arg(double(m_clock.nsecsElapsed()) / 1e9, 0, 'f', 3)
                             .arg(what, QString::fromLatin1(bytes));
    m_console.write(oneLine(line.trimmed()).toUtf8() + '\n');
}
