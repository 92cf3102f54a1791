#pragma once

#include "FakeKorvex.h"
#include "FakeSerialPort.h"

#include "core/AppSettings.h"
#include "core/KeyTable.h"
#include "core/MainModel.h"
#include "device/DeviceOperations.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringChecker.h"
#include "support/FakeWaiter.h"
#include "support/RecordingPrompter.h"

#include <QByteArrayList>

// Bytes from a literal, embedded 0x00 bytes included.
template <std::size_t N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, static_cast<qsizetype>(N - 1));
}

// A read reply: the scancode, then the bytes given.
template <std::size_t N> QByteArray reply(quint8 scancode, const char (&rest)[N])
{
    return char(scancode) + raw(rest);
}

// The device operations wired to a fake port, a fake device and virtual
// time, with the row check in place as in the window.
struct DeviceRig
{
    DeviceRig()
    {
        BuildKeyTable();
        AppSettings.Port = 1;
        AppSettings.Baud = QStringLiteral("9600");
        AppSettings.Parity = QStringLiteral("N");
    }

    QByteArrayList log() const { return model.log().lines(); }

    // Runs extra after the port has taken in the bytes due at each tick.
    void onTick(const std::function<void(qint64 now)> &extra)
    {
        waiter.onAdvance = [this, extra](qint64 now) {
            port.arrive(); // due bytes first, as without the extra
            extra(now);
        };
    }

    FakeWaiter waiter;
    RecordingPrompter prompter;
    MainModel model;
    KeyStringChecker checker{model.rows(), prompter};
    FakeSerialPort port{waiter};
    FakeKorvex device{port};
    DeviceOperations ops{model, port, waiter, prompter};
};
