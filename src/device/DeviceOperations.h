#pragma once

#include <QString>

class MainModel;
class Prompter;
class SerialPort;
class Waiter;

// The device link as the window uses it: port set-up, the attachment check
// and the four device operations. Each operation reports through the model
// (log, rows, progress, labels) and the prompter, waits only through the
// waiter, and catches its own failures.
//
// Only one device operation runs at a time: while one runs (its waits and
// message boxes included) a second is refused at once, and the model is busy.
class DeviceOperations
{
public:
    DeviceOperations(MainModel &model, SerialPort &port, Waiter &waiter, Prompter &prompter);

    // Applies AppSettings to the port (left closed) and the Settings labels.
    // Asked for during an operation, it runs when that operation ends.
    void SetupCommPort();
    // Empty when the device answered the probe; otherwise the text to report.
    QString CheckAttached();
    // Reads the sixteen rows from the device.
    void Command1_Click();
    // Sends the sixteen rows, verifying each acknowledged one.
    void Command2_Click();
    // Verifies the sixteen rows against the device.
    void VerifyBtn_Click();
    // Verifies one row; the port must be open. False on a mismatch or no reply.
    bool VerifyKey(int id);
    // Asks the device for its code version.
    void GetCodeVersion();

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
    bool m_setupPending = false;
};
