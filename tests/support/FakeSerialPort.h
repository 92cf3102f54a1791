#pragma once

#include "core/KorvexError.h"
#include "device/LineSettings.h"
#include "device/SerialPort.h"
#include "FakeWaiter.h"

#include <QByteArrayList>

#include <functional>
#include <map>

// A port on virtual time: what the device sends waits from the moment of the
// FakeWaiter's clock it is due at. Every write is recorded.
class FakeSerialPort : public SerialPort
{
public:
    explicit FakeSerialPort(FakeWaiter &waiter) : m_waiter(waiter)
    {
        m_waiter.onAdvance = [this](qint64 now) { deliverAt(now, {}); }; // takes in what is due
    }

    void setPortNumber(int n) override { portNumber = n; }
    void setLineSettings(const LineSettings &line) override { settings = line.text(); }
    bool isOpen() const override { return m_open; }
    void open() override
    {
        if (!openFailure.isEmpty())
            throw KorvexError(openFailure);
        m_open = true;
        ++m_opens;
    }
    void close() override { m_open = false; }
    void write(const QByteArray &bytes) override
    {
        requireOpen();
        m_writes.append(bytes);
        if (onWrite)
            onWrite(bytes, m_waiter.now());
    }
    int bytesWaiting() override { return int(received(false).size()); }
    QByteArray readAll() override { return received(true); }
    QByteArray peek() override { return received(false); }

    // The device side: bytes due at virtual time `at`, in the order due.
    void deliverAt(qint64 at, const QByteArray &bytes)
    {
        m_due.insert({at, bytes});
        for (auto due = m_due.begin(); due != m_due.end() && due->first <= m_waiter.now();
             due = m_due.erase(due))
            m_received += due->second;
    }
    std::function<void(const QByteArray &bytes, qint64 now)> onWrite;

    QString openFailure; // open() throws it when set
    int portNumber = 0;
    QByteArray settings;
    const QByteArrayList &writes() const { return m_writes; }
    int opens() const { return m_opens; }

private:
    void requireOpen() const
    {
        if (!m_open)
            throw KorvexError(QStringLiteral("the port is not open"));
    }
    QByteArray received(bool take)
    {
        requireOpen();
        return take ? std::exchange(m_received, {}) : m_received;
    }

    FakeWaiter &m_waiter;
    bool m_open = false;
    int m_opens = 0;
    QByteArrayList m_writes;
    std::multimap<qint64, QByteArray> m_due;
    QByteArray m_received;
};
