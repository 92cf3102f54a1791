#pragma once

#include "core/AppSettings.h"

#include <QByteArray>
#include <QByteArrayList>

class KorvexError;
struct RowOutcome;

// What a device session tells while it works, for a front end that shows it
// as it happens: the window's log, progress display, rows and message boxes, a
// command line's progress line. Calls come on the session's thread, in the
// order things happen, and synchronously: a front end may hold the operation
// (a message box) before it returns. The results themselves come back as a
// SessionResult; nothing here is needed to know how an operation ended.
class SessionObserver
{
public:
    // Where a failure happened, for the front end's own words.
    enum class Stage { SetUp, Attach, Read, Send, Verify, Version };

    virtual ~SessionObserver() = default;

    // An operation starts (true) and ends (false); meanwhile the session
    // refuses another one.
    virtual void busyChanged(bool /*busy*/) {}
    // Port, baud rate and parity are applied to the port.
    virtual void settingsApplied(const AppSettings & /*settings*/) {}
    // A failure ended a step: the settings, the port, a device gone.
    virtual void failed(Stage /*stage*/, const KorvexError & /*error*/) {}

    // The status log: cleared as an operation starts, then a line at a time;
    // logExtended adds to the line added last (the probe's marks).
    virtual void logCleared() {}
    virtual void logAdded(const QByteArray & /*line*/) {}
    virtual void logExtended(const QByteArray & /*tail*/) {}
    // The device answered the probe; the operation's own commands follow.
    virtual void deviceAttached() {}
    // Reading, sending or verifying stops: no KORVEX answered the probe.
    virtual void deviceAbsent() {}

    // Reading and sending: progress from 0%, a step per row, then hidden.
    virtual void progressStarted() {}
    virtual void progressStep(int /*row*/) {}
    virtual void progressEnded() {}

    // Reading, sending and verifying start with every row unconfirmed.
    virtual void rowsUnconfirmed() {}
    // Reading: a row's string is emptied before its command goes out; once
    // its reply came, the key and the string's units, one per byte received.
    virtual void rowCleared(int /*index*/) {}
    virtual void rowRead(int /*index*/, const QByteArray & /*key*/, const QByteArrayList & /*units*/) {}
    // A row was read back and compared (verifying, and sending each row the
    // device acknowledged).
    virtual void rowVerified(int /*index*/, const RowOutcome & /*outcome*/) {}
    // The operation is done with a row, whatever came of it.
    virtual void rowDone(int /*index*/) {}

    // The version query's reply, as received (empty when none came).
    virtual void versionReported(const QByteArray & /*reply*/) {}
};
