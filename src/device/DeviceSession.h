#pragma once

#include "core/AppSettings.h"
#include "core/KeyOverride.h"
#include "core/KorvexError.h"
#include "device/SessionObserver.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>

class SerialPort;
class Waiter;

// What one row came to in the last operation.
struct RowOutcome
{
    enum class Kind {
        NotRun,          // the operation did not get to the row
        Read,            // read: the device answered
        Cut,             // read: the device sent more than six units; the row keeps six
        UnknownKey,      // read: a scancode no key name stands for
        Unreliable,      // read: an earlier row had no reply, so this reply may be that row's
        NoReply,         // read or read-back: nothing came
        Match,           // read-back: the device holds what the row says
        KeyMismatch,     // read-back: the device holds another key
        StringMismatch,  // read-back: the device holds other bytes
        NotAcknowledged, // send: no acknowledgement ("timeout" or what came instead)
    };
    Kind kind = Kind::NotRun;
    QByteArray deviceKey;      // read, read-back: the key name the device holds
    QByteArray deviceString;   // read, read-back: its bytes in the notation (read: every unit sent)
    quint8 scancode = 0;       // read, read-back: the scancode the device holds
    QByteArray reply;          // NotAcknowledged: "timeout" or what came instead
    bool acknowledged = false; // send: the device said it stored the row
};

// How an operation ended.
struct SessionResult
{
    enum class Status {
        Done,            // the operation ran to its end (rows may still differ)
        SettingsRefused, // the port set-up refused the baud rate or parity
        NotAttached,     // nothing, or not a KORVEX, answered the probe
        PortFailed,      // the port could not be opened, or failed midway
        Interrupted,     // stopped between two commands (closing, or asked to)
        Busy,            // another operation of this session was running
    };
    Status status = Status::Done;
    QString message;                                      // what went wrong, in the operator's words
    KorvexError::Kind failure = KorvexError::Kind::Other; // PortFailed: what kind of failure
    QByteArray version;
    std::array<RowOutcome, RowCount> rows{};

    // Rows the device acknowledged while sending: it holds at least these.
    int acknowledged() const;
};

// The rows an operation sends or compares with, asked for one row at a time
// as the operation reaches it: the window's rows may change while it waits.
using RowLookup = std::function<KeyOverride(int index)>;

// One device behind one port: port set-up, the attachment check and the four
// device operations. Each operation waits only through the waiter, catches
// its own failures, tells the observer as it goes and returns what came of it.
// A session holds no state outside itself, so several can serve several
// devices at once, each with its own port, waiter and observer.
//
// Only one operation of a session runs at a time: while one runs (the
// observer's message boxes included) a second is refused at once.
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

    DeviceSession(SerialPort &port, Waiter &waiter, SessionObserver &observer);

    void setTiming(Timing timing);
    bool isBusy() const { return m_busy; }

    // Applies the serial settings to the port (left closed). Asked for during
    // an operation, it runs when that operation ends.
    SessionResult SetupCommPort(const AppSettings &settings);
    // Empty when the device answered the probe; otherwise the text to report.
    QString CheckAttached();
    // Reads the sixteen rows from the device.
    SessionResult readRows();
    // Sends the rows, verifying each acknowledged one.
    SessionResult sendRows(const RowLookup &rows, const RowSet &which = AllRows);
    // Verifies the rows against the device.
    SessionResult verifyRows(const RowLookup &rows, const RowSet &which = AllRows);
    // Asks the device for its code version; the window asks even when no
    // device answered the probe.
    SessionResult queryVersion(VersionQuery when = VersionQuery::Always);

private:
    template <typename Body> SessionResult runExclusive(SessionObserver::Stage stage, Body &&body);
    bool VerifyKey(int id);
    bool attachedOrStopped();
    void noteNotAttached(const QString &text);
    void releasePort();
    void openIfClosed();
    void send(const QByteArray &command);
    void logLine(const QByteArray &line);
    int quietMs() const;
    void awaitReply(int protocolMs, bool (*whole)(const QByteArray &waiting));
    QByteArray awaitAcknowledgement(int index);
    void notAcknowledged(int index, const QByteArray &reply);
    void readRow(int index, bool earlierMissing);
    void closeAndEndProgress(int lingerMs);
    RowOutcome &outcome(int index) { return m_result.rows[static_cast<std::size_t>(index)]; }

    SerialPort &m_port;
    Waiter &m_waiter;
    SessionObserver &m_observer;
    AppSettings m_settings;
    Timing m_timing = Timing::Window;
    RowLookup m_rows;
    SessionResult m_result;
    bool m_busy = false;
    bool m_setupPending = false;
};
