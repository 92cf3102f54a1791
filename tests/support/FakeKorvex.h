#pragma once

#include "FakeWaiter.h"
#include "SimDevice.h"
#include "core/KorvexError.h"
#include "device/LineSettings.h"
#include "device/SerialPort.h"

#include <QByteArrayList>

#include <map>

// korvex-sim's own device behind a port on virtual time. The bytes the program
// writes go through the simulator's receiver and firmware; what the device
// sends waits from the moment of the FakeWaiter's clock it is due at: a
// millisecond after its command, plus the delay the device was told to add, in
// the order of the commands as on the simulator's line. Every write is recorded.
class FakeKorvex : public SerialPort
{
public:
    explicit FakeKorvex(FakeWaiter &waiter) : m_waiter(waiter)
    {
        m_waiter.onAdvance = [this](qint64 now) { deliverAt(now, {}); }; // takes in what is due
    }

    void setPortNumber(int n) override { portNumber = n; }
    QString portName() const override { return QStringLiteral("COM%1").arg(portNumber); }
    void setLineSettings(const LineSettings &line) override { settings = line.text(); }
    bool isOpen() const override { return m_open; }
    void open() override
    {
        if (!openFailure.isEmpty())
            throw KorvexError(openFailure);
        m_open = true;
    }
    void close() override { m_open = false; }
    void write(const QByteArray &bytes) override
    {
        received(false);
        writes.append(bytes);
        if (onWrite)
            onWrite(bytes);
        for (const char byte : bytes) {
            if (const auto command = m_parser.feed(static_cast<unsigned char>(byte)))
                answer(*command, m_waiter.now());
        }
    }
    int bytesWaiting() override { return int(received(false).size()); }
    QByteArray readAll() override { return received(true); }
    QByteArray peek() override { return received(false); }

    // Bytes from the device due at virtual time `at`, in the order due.
    void deliverAt(qint64 at, const QByteArray &bytes)
    {
        m_due.insert({at, bytes});
        for (auto due = m_due.begin(); due != m_due.end() && due->first <= m_waiter.now();
             due = m_due.erase(due))
            m_received += due->second;
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

    std::function<void(const QByteArray &bytes)> onWrite;
    // Answers a complete command in the device's place when it returns true.
    std::function<bool(const QByteArray &command, qint64 now)> intercept;
    QString openFailure; // open() throws it when set
    int portNumber = 0;
    QByteArray settings;
    QByteArrayList writes;
    // A reply's bytes one at a time, this far apart, as a slow line brings them.
    int msPerByte = 0;

private:
    QByteArray received(bool take)
    {
        if (!m_open)
            throw KorvexError(QStringLiteral("the port is not open"));
        return take ? std::exchange(m_received, {}) : m_received;
    }
    void answer(const Command &command, qint64 now)
    {
        if (intercept && intercept(QByteArray::fromStdString(command.raw), now))
            return;
        if (const auto out = m_device.handle(command)) {
            m_lastDue = std::max(now + 1 + out->delayMs, m_lastDue);
            for (std::size_t i = 0; msPerByte && i < out->bytes.size(); ++i)
                deliverAt(m_lastDue += msPerByte, QByteArray(1, out->bytes[i]));
            if (!msPerByte)
                deliverAt(m_lastDue, QByteArray::fromStdString(out->bytes));
        }
    }

    FakeWaiter &m_waiter;
    bool m_open = false;
    std::multimap<qint64, QByteArray> m_due;
    QByteArray m_received;
    SimOptions m_options;
    RowStore m_rows;
    SimDevice m_device{m_options, m_rows};
    CommandParser m_parser;
    qint64 m_lastDue = 0;
};
