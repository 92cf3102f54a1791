#pragma once

#include "FakeSerialPort.h"
#include "SimDevice.h"

#include <algorithm>
#include <vector>

// korvex-sim's own device behind a FakeSerialPort: the bytes the program
// writes go through the simulator's receiver and firmware, and each reply
// arrives latencyMs (plus the delay the device was told to add) after its
// command, in the order of the commands as on the simulator's line.
class FakeKorvex
{
public:
    explicit FakeKorvex(FakeSerialPort &port) : m_port(port)
    {
        m_port.onWrite = [this](const QByteArray &bytes, qint64 now) {
            for (const char byte : bytes) {
                if (const auto command = m_parser.feed(static_cast<unsigned char>(byte)))
                    answer(*command, now);
            }
        };
    }

    // Takes korvex-sim's options as on its command line, faults included,
    // e.g. "--late-row 3"; returns what it refused, empty when understood.
    QString configure(const QByteArray &options)
    {
        const QByteArrayList args = ("korvex-sim " + options).trimmed().split(' ');
        std::vector<const char *> argv;
        for (const QByteArray &arg : args)
            argv.push_back(arg.constData());
        const SimOptionsResult parsed = parseSimOptions(int(argv.size()), argv.data());
        m_options = parsed.options;
        return QString::fromStdString(parsed.error);
    }
    void setRow(int index, quint8 scancode, const QByteArray &bytes)
    {
        std::string unused; // no state file, so storing cannot fail
        m_rows.set(index, {scancode, bytes.toStdString()}, unused);
    }

    int latencyMs = 1;
    // A reply's bytes one at a time, this far apart, as a slow line brings them.
    int msPerByte = 0;
    // Answers a complete command in the device's place when it returns true.
    std::function<bool(const QByteArray &command, qint64 now)> intercept;

    void reply(qint64 now, const QByteArray &bytes) { m_port.deliverAt(now + latencyMs, bytes); }

private:
    void answer(const Command &command, qint64 now)
    {
        if (intercept && intercept(QByteArray::fromStdString(command.raw), now))
            return;
        if (const auto out = m_device.handle(command)) {
            m_lastDue = std::max(now + latencyMs + out->delayMs, m_lastDue);
            if (msPerByte == 0) {
                m_port.deliverAt(m_lastDue, QByteArray::fromStdString(out->bytes));
                return;
            }
            for (const char byte : out->bytes)
                m_port.deliverAt(m_lastDue += msPerByte, QByteArray(1, byte));
        }
    }

    FakeSerialPort &m_port;
    SimOptions m_options;
    RowStore m_rows;
    SimDevice m_device{m_options, m_rows};
    CommandParser m_parser;
    qint64 m_lastDue = 0;
};
