#pragma once

#include "core/AppSettings.h"

#include <QString>

class MainModel;
class Prompter;
class SerialPort;
class Waiter;

// One device behind one port: port set-up, the attachment check and the
// four device operations. Each operation reports through the model (log,
// rows, progress, labels) and the prompter, waits only through the waiter,
// and catches its own failures. A session holds no state outside itself, so
// several can serve several devices at once, each with its own port, waiter,
// model and prompter.
//
// Only one operation of a session runs at a time: while one runs (its waits
// and message boxes included) a second is refused at once, and the model is
// busy.
class DeviceSession
{
public:
    DeviceSession(MainModel &model, SerialPort &port, Waiter &waiter, Prompter &prompter);

    // Applies the serial settings to the port (left closed) and the Settings
    // labels. Asked for during an operation, it runs when that operation ends.
    void SetupCommPort(const AppSettings &settings);
    // Empty when the device answered the probe; otherwise the text to report.
    QString CheckAttached();
    // Reads the sixteen rows from the device.
    void readRows();
    // Sends the sixteen rows, verifying each acknowledged one.
    void sendRows();
    // Verifies the sixteen rows against the device.
    void verifyRows();
    // Verifies one row; the port must be open. False on a mismatch or no reply.
    bool VerifyKey(int id);
    // Asks the device for its code version.
    void queryVersion();

private:
    template <typename Body> void runExclusive(const QString &failureText, Body &&body);
    bool attachedOrReported();
    void releasePort();
    void addMarker(int line);
    void fillRowFromReply(int index, const QByteArray &stringPart);

    MainModel &m_model;
    SerialPort &m_port;
    Waiter &m_waiter;
    Prompter &m_prompter;
    AppSettings m_settings;
    bool m_setupPending = false;
};
