#pragma once

#include "core/AppSettings.h"
#include "core/KeyRows.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>

class MainModel;
class Prompter;
class SerialPort;
class Waiter;

// What one row came to in the last operation.
struct RowOutcome
{
    enum class Kind {
        NotRun,          // the operation did not get to the row
        Read,            // read: the device answered
        NoReply,         // read or read-back: nothing came
        Match,           // read-back: the device holds what the row says
        KeyMismatch,     // read-back: the device holds another key
        StringMismatch,  // read-back: the device holds other bytes
        NotAcknowledged, // send: no acknowledgement ("timeout" or what came instead)
    };
    Kind kind = Kind::NotRun;
    QByteArray deviceKey;    // read-back: the key name the device holds
    QByteArray deviceString; // read-back: its bytes, in the notation
    QByteArray reply;        // NotAcknowledged: "timeout" or what came instead
};

// How an operation ended, for a caller that needs more than the window's
// log and message boxes.
struct SessionResult
{
    enum class Status {
        Done,        // the operation ran to its end (rows may still differ)
        NotAttached, // nothing, or not a KORVEX, answered the probe
        PortFailed,  // the port could not be opened, or failed midway
        Interrupted, // stopped between two commands (closing, or asked to)
        Refused,     // another operation of this session was running
    };
    Status status = Status::Done;
    QString message; // NotAttached: the check's text; PortFailed: what failed
    QByteArray version;
    std::array<RowOutcome, RowCount> rows{};
};

// One device behind one port: port set-up, the attachment check and the
// four device operations. Each operation reports through the model (log,
// rows, progress, labels) and the prompter, waits only through the waiter,
// catches its own failures and returns what came of it. A session holds no
// state outside itself, so several can serve several devices at once, each
// with its own port, waiter, model and prompter.
//
// Only one operation of a session runs at a time: while one runs (its waits
// and message boxes included) a second is refused at once, and the model is
// busy.
class DeviceSession
{
public:
    enum class Timing {
        // The protocol's waits, and pauses that keep the progress display on
        // screen a moment after reading and sending.
        Window,
        // The protocol's waits only.
        Protocol,
        // Each wait ends as soon as its reply is whole by the protocol's own
        // framing, never later than the protocol's wait.
        Reply,
    };
    enum class VersionQuery { Always, IfAttached };

    DeviceSession(MainModel &model, SerialPort &port, Waiter &waiter, Prompter &prompter);

    void setTiming(Timing timing);
    // Called after each row of a read, send or verify.
    void setRowObserver(std::function<void(int row)> observer);

    // Applies the serial settings to the port (left closed) and the Settings
    // labels. Asked for during an operation, it runs when that operation ends.
    void SetupCommPort(const AppSettings &settings);
    // Empty when the device answered the probe; otherwise the text to report.
    QString CheckAttached();
    // Reads the sixteen rows from the device.
    SessionResult readRows();
    // Sends the sixteen rows, verifying each acknowledged one.
    SessionResult sendRows();
    // Verifies the sixteen rows against the device.
    SessionResult verifyRows();
    // Verifies one row; the port must be open. False on a mismatch or no reply.
    bool VerifyKey(int id);
    // Asks the device for its code version; the window asks even when no
    // device answered the probe.
    SessionResult queryVersion(VersionQuery when = VersionQuery::Always);

private:
    template <typename Body> SessionResult runExclusive(const QString &failureText, Body &&body);
    bool attachedOrReported();
    void noteNotAttached(const QString &text);
    void releasePort();
    void addMarker(int line);
    int quietMs() const;
    void awaitReply(int protocolMs, bool (*whole)(const QByteArray &waiting));
    QByteArray awaitAcknowledgement(int index);
    void notAcknowledged(int index, const QByteArray &reply);
    void fillRowFromReply(int index, const QByteArray &stringPart);
    void closeAndHideProgress(int lingerMs);
    void rowDone(int row);

    MainModel &m_model;
    SerialPort &m_port;
    Waiter &m_waiter;
    Prompter &m_prompter;
    AppSettings m_settings;
    Timing m_timing = Timing::Window;
    std::function<void(int)> m_rowObserver;
    SessionResult m_result;
    bool m_setupPending = false;
};
