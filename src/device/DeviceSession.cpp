#include "device/DeviceSession.h"

#include "core/KorvexError.h"
#include "core/Waiter.h"
#include "device/DeviceFrames.h"
#include "device/LineSettings.h"
#include "device/SerialPort.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringNotation.h"

#include <algorithm>

namespace {

using Stage = SessionObserver::Stage;
using Kind = RowOutcome::Kind;

constexpr int AttachTries = 8;
constexpr int AttachPolls = 51;
constexpr int AttachPollMs = 5;
constexpr int ReadReplyMs = 250;
constexpr int ReadLingerMs = 2000;
constexpr int AckPolls = 10;
constexpr int AckPollMs = 10;
constexpr int SendLingerMs = 1000;
constexpr int VerifyReplyMs = 100;
constexpr int VersionReplyMs = 25;
constexpr quint8 NoKeyScancode = 0xFF;
constexpr quint8 AttachedMark = 0xE8;
constexpr char Ack = '\x06';
// How long the line must stay quiet before a reply counts as ended, in
// character times; a character is 11 bits with 8 data and 2 stop bits.
constexpr int QuietCharacters = 3;
constexpr int BitsPerCharacter = 11;

// Marks the session busy for one operation, whichever way it ends.
class BusyGuard
{
public:
    BusyGuard(bool &busy, SessionObserver &observer) : m_busy(busy), m_observer(observer)
    {
        m_busy = true;
        m_observer.busyChanged(true);
    }
    ~BusyGuard()
    {
        m_busy = false;
        m_observer.busyChanged(false);
    }
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;

private:
    bool &m_busy;
    SessionObserver &m_observer;
};

QByteArray rowNumber(int index)
{
    return QByteArray::number(index + 1);
}

// A read reply is whole once the 0x00 after its scancode has come.
bool readReplyWhole(const QByteArray &bytes)
{
    return bytes.indexOf('\0', 1) > 0;
}

} // namespace

int SessionResult::acknowledged() const
{
    return static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const RowOutcome &row) { return row.acknowledged; }));
}

DeviceSession::DeviceSession(SerialPort &port, Waiter &waiter, SessionObserver &observer)
    : m_port(port), m_waiter(waiter), m_observer(observer)
{}

void DeviceSession::setTiming(Timing timing)
{
    m_timing = timing;
}

template <typename Body> SessionResult DeviceSession::runExclusive(Stage stage, Body &&body)
{
    if (m_busy) {
        SessionResult busy;
        busy.status = SessionResult::Status::Busy;
        return busy;
    }
    m_result = SessionResult();
    {
        const BusyGuard guard(m_busy, m_observer);
        try {
            body();
        } catch (const KorvexError &error) {
            m_result.status = SessionResult::Status::PortFailed;
            m_result.message = error.description();
            m_result.failure = error.kind();
            m_observer.failed(stage, error);
        } catch (const OperationAborted &) {
            // Closing or stopped: let go of the device and say nothing.
            m_result.status = SessionResult::Status::Interrupted;
            releasePort();
        }
    }
    m_rows = nullptr;
    if (m_setupPending) {
        m_setupPending = false;
        SetupCommPort(m_settings);
    }
    return m_result;
}

void DeviceSession::releasePort()
{
    try {
        if (m_port.isOpen())
            m_port.close();
    } catch (const KorvexError &) {
        // Shutting down; a port that will not close has nobody left to tell.
    }
}

void DeviceSession::openIfClosed()
{
    if (!m_port.isOpen())
        m_port.open();
}

void DeviceSession::send(const QByteArray &command)
{
    // What waits unread now came before this command: a late reply to an
    // earlier one, maybe of another run. Taken as this command's reply, it
    // would shift every row after it.
    m_port.readAll();
    m_port.write(command);
}

void DeviceSession::logLine(const QByteArray &line)
{
    m_observer.logAdded(line);
}

SessionResult DeviceSession::SetupCommPort(const AppSettings &settings)
{
    m_settings = settings;
    SessionResult result;
    // New settings must not pull the port from under a running operation.
    if (m_busy) {
        m_setupPending = true;
        return result;
    }
    try {
        if (m_port.isOpen())
            m_port.close();
        m_port.setPortNumber(settings.Port);
        m_port.setLineSettings(lineSettingsFor(settings.Baud, settings.Parity));
        m_observer.settingsApplied(settings);
    } catch (const KorvexError &error) {
        result.status = SessionResult::Status::SettingsRefused;
        result.message = error.description();
        m_observer.failed(Stage::SetUp, error);
    }
    return result;
}

int DeviceSession::quietMs() const
{
    const int baud = qMax(1, m_settings.Baud.toInt());
    return qMax(2, (QuietCharacters * BitsPerCharacter * 1000 + baud - 1) / baud);
}

void DeviceSession::awaitReply(int protocolMs, bool (*whole)(const QByteArray &))
{
    if (m_timing != Timing::Reply) {
        m_waiter.Delay(protocolMs);
        return;
    }
    // Never longer than the protocol's own wait, so a slow device gets
    // exactly the protocol's behaviour. After the reply looks whole, the line
    // must stay quiet a moment: a late reply to an earlier command may follow
    // it, and the protocol's fixed wait would have taken that in too.
    int left = protocolMs;
    left -= m_waiter.waitUntil(left, [this, whole] { return whole(m_port.peek()); });
    while (left > 0 && whole(m_port.peek())) {
        const int before = m_port.bytesWaiting();
        const int gap = qMin(left, quietMs());
        left -= m_waiter.waitUntil(gap, [this, before] { return m_port.bytesWaiting() > before; });
        if (m_port.bytesWaiting() == before)
            return;
    }
}

QString DeviceSession::CheckAttached()
{
    QString result = QStringLiteral("KORVEX not responsing on port ") + m_port.portName();
    int tries = 0;
    bool found = false;
    logLine("Check for KORVEX attached");

    try {
        while (tries < AttachTries && !found) {
            m_observer.logExtended(" *");
            openIfClosed();
            send(QByteArrayLiteral("z"));

            QByteArray reply;
            if (m_timing == Timing::Reply) {
                // Whole once its last byte is the mark, or the line went quiet.
                m_waiter.waitUntil(AttachPolls * AttachPollMs, [this] {
                    const QByteArray waiting = m_port.peek();
                    return !waiting.isEmpty() && static_cast<quint8>(waiting.back()) == AttachedMark;
                });
                if (m_port.bytesWaiting() > 0)
                    reply = m_port.readAll();
            } else {
                for (int poll = 0; poll < AttachPolls && reply.isEmpty(); ++poll) {
                    m_waiter.Delay(AttachPollMs);
                    if (m_port.bytesWaiting() > 0)
                        reply = m_port.readAll();
                }
            }
            if (!reply.isEmpty()) {
                const auto last = static_cast<quint8>(reply.back());
                found = last == AttachedMark;
                result = found ? QString()
                               : QStringLiteral("Not a KORVEX that is connected (received 0x") +
                                     QString::number(last, 16).toUpper() + QLatin1Char(')');
            }
            ++tries;
            m_waiter.pumpEvents();
        }
    } catch (const KorvexError &error) {
        m_result.status = SessionResult::Status::PortFailed;
        m_result.message = error.description();
        m_result.failure = error.kind();
        m_observer.failed(Stage::Attach, error);
        return result;
    }

    if (!found)
        return result;
    logLine("KORVEX responded after " + QByteArray::number(tries) + " tries");
    m_observer.deviceAttached();
    return {};
}

// Reading, sending and verifying stop when no device answered; the check has
// already logged its tries, the message goes after them.
bool DeviceSession::attachedOrStopped()
{
    const QString attached = CheckAttached();
    if (attached.isEmpty())
        return true;
    m_observer.deviceAbsent();
    logLine(attached.toLatin1());
    noteNotAttached(attached);
    return false;
}

// A port failure during the check has already been recorded; it stays.
void DeviceSession::noteNotAttached(const QString &text)
{
    if (m_result.status == SessionResult::Status::Done) {
        m_result.status = SessionResult::Status::NotAttached;
        m_result.message = text;
    }
}

SessionResult DeviceSession::readRows()
{
    return runExclusive(Stage::Read, [this] {
        m_observer.logCleared();
        logLine("Read Operation Requested");
        m_observer.progressStarted();
        m_observer.rowsUnconfirmed();

        if (!attachedOrStopped())
            return;

        bool missing = false;
        for (int i = 0; i < RowCount; ++i) {
            readRow(i, missing);
            missing = missing || outcome(i).kind == Kind::NoReply;
            m_observer.progressStep(i);
            m_observer.rowDone(i);
        }

        closeAndEndProgress(ReadLingerMs);
    });
}

void DeviceSession::readRow(int index, bool earlierMissing)
{
    m_observer.rowCleared(index);
    openIfClosed();
    const QByteArray command = readCommand(index);
    send(command);
    logLine("Sent " + showNul(command));
    awaitReply(ReadReplyMs, readReplyWhole);

    const QByteArray reply = m_port.readAll();
    RowOutcome &row = outcome(index);
    if (reply.isEmpty()) {
        row.kind = Kind::NoReply;
        return;
    }
    row.scancode = static_cast<quint8>(reply.at(0));
    row.deviceKey = ScancodeToKeyName(row.scancode);
    logLine("Response: " + responseLogText(reply));
    QByteArrayList units;
    if (!row.deviceKey.isEmpty()) {
        for (const char byte : replyStringBytes(reply))
            units << receivedByteUnit(static_cast<quint8>(byte));
    }
    row.deviceString = units.join();
    // A reply that did not come in time arrives with the next row's, in
    // front of it: once one went missing, no later reply can be trusted.
    if (earlierMissing)
        row.kind = Kind::Unreliable;
    else if (row.deviceKey.isEmpty() && row.scancode != NoKeyScancode)
        row.kind = Kind::UnknownKey;
    else if (units.size() > MaxOutputUnits)
        row.kind = Kind::Cut;
    else
        row.kind = Kind::Read;
    m_observer.rowRead(index, row.deviceKey, units);
}

QByteArray DeviceSession::awaitAcknowledgement(int index)
{
    const char indexChar = rowIndexChar(index);
    const auto handle = [&](QByteArray *status) {
        const QByteArray reply = m_port.readAll();
        if (reply.size() >= 2 && reply.at(0) == Ack && reply.at(1) == indexChar) {
            outcome(index).acknowledged = true;
            *status = (VerifyKey(index) ? "success # " : "FAILED to verify # ") + rowNumber(index);
        } else {
            *status = reply;
            notAcknowledged(index, reply);
        }
    };

    QByteArray status = QByteArrayLiteral("timeout");
    if (m_timing == Timing::Reply) {
        m_waiter.waitUntil(AckPolls * AckPollMs, [this] { return m_port.bytesWaiting() >= 2; });
        if (m_port.bytesWaiting() >= 2)
            handle(&status);
        else
            notAcknowledged(index, status);
        return status;
    }
    // The polls always run to the tenth; a later reply replaces the row's
    // status by the same rule.
    bool replied = false;
    for (int poll = 0; poll < AckPolls; ++poll) {
        m_waiter.Delay(AckPollMs);
        if (m_port.bytesWaiting() >= 2) {
            handle(&status);
            replied = true;
        }
        m_waiter.pumpEvents();
    }
    if (!replied)
        notAcknowledged(index, status);
    return status;
}

void DeviceSession::notAcknowledged(int index, const QByteArray &reply)
{
    RowOutcome &row = outcome(index);
    row.kind = Kind::NotAcknowledged;
    row.reply = reply;
}

SessionResult DeviceSession::sendRows(const RowLookup &rows, const RowSet &which)
{
    return runExclusive(Stage::Send, [this, &rows, &which] {
        m_rows = rows;
        m_observer.progressStarted();
        m_observer.logCleared();

        if (!attachedOrStopped())
            return;
        m_observer.rowsUnconfirmed();

        for (int i = 0; i < RowCount; ++i) {
            if (!which.test(static_cast<std::size_t>(i)))
                continue;
            const KeyOverride row = m_rows(i);
            const auto scancode =
                row.key.isEmpty() ? NoKeyScancode : static_cast<quint8>(KeyNameToScancode(row.key));
            const QByteArray bytes = frameBytes(row.string);
            const char indexChar = rowIndexChar(i);

            openIfClosed();
            send(QByteArrayLiteral("/W") + indexChar);
            m_port.write(QByteArray(1, static_cast<char>(scancode)));
            if (!bytes.isEmpty())
                m_port.write(bytes);
            m_port.write(QByteArray(1, '\0'));
            logLine(writeLogText(i, scancode, bytes));

            logLine(awaitAcknowledgement(i));
            m_observer.progressStep(i);
            m_observer.rowDone(i);
        }

        closeAndEndProgress(SendLingerMs);
    });
}

bool DeviceSession::VerifyKey(int id)
{
    const KeyOverride screen = m_rows(id);
    RowOutcome &row = outcome(id);

    const QByteArray command = readCommand(id);
    send(command);
    logLine("Sent " + showNul(command));
    awaitReply(VerifyReplyMs, readReplyWhole);

    const QByteArray reply = m_port.readAll();
    if (reply.isEmpty()) {
        // No reply proves nothing about the device's copy of the row.
        row.kind = Kind::NoReply;
    } else {
        row.scancode = static_cast<quint8>(reply.at(0));
        row.deviceKey = ScancodeToKeyName(row.scancode);
        const QByteArray deviceBytes = replyStringBytes(reply);
        row.deviceString = RenderReceivedBytes(deviceBytes);
        if (row.deviceKey != screen.key) {
            row.kind = Kind::KeyMismatch;
        } else {
            logLine("Response: " + responseLogText(reply));
            // Compared as bytes, so a space, a brace or {7} on screen matches
            // the device holding exactly those bytes, and against what a send
            // leaves on the device, so a row ending in {} matches too.
            row.kind = row.deviceKey.isEmpty() || deviceBytes == storedBytes(screen.string)
                           ? Kind::Match
                           : Kind::StringMismatch;
        }
    }
    m_observer.rowVerified(id, row);
    return row.kind == Kind::Match;
}

SessionResult DeviceSession::verifyRows(const RowLookup &rows, const RowSet &which)
{
    return runExclusive(Stage::Verify, [this, &rows, &which] {
        m_rows = rows;
        m_observer.logCleared();
        if (!attachedOrStopped())
            return;
        m_observer.rowsUnconfirmed();
        for (int i = 0; i < RowCount; ++i) {
            if (!which.test(static_cast<std::size_t>(i)))
                continue;
            VerifyKey(i);
            m_observer.rowDone(i);
        }
        m_port.close();
    });
}

SessionResult DeviceSession::queryVersion(VersionQuery when)
{
    return runExclusive(Stage::Version, [this, when] {
        m_observer.logCleared();
        // Unlike the other operations, the window asks even when the check
        // found no device.
        const QString attached = CheckAttached();
        if (!attached.isEmpty()) {
            logLine(attached.toLatin1());
            noteNotAttached(attached);
            if (when == VersionQuery::IfAttached) {
                m_port.close();
                return;
            }
        }
        openIfClosed();
        logLine("Requesting Version");
        send(QByteArrayLiteral("V"));
        // A version has no end mark, so only the protocol's whole wait tells
        // where it ends: a slow line would otherwise cut it after its first
        // characters.
        m_waiter.Delay(VersionReplyMs);

        const QByteArray reply = m_port.readAll();
        m_result.version = reply;
        m_observer.versionReported(reply);
        logLine("Version = " + (reply.isEmpty() ? QByteArrayLiteral("???") : reply));
        m_port.close();
    });
}

void DeviceSession::closeAndEndProgress(int lingerMs)
{
    m_port.close();
    // In the window the 100% stays on screen a moment.
    if (m_timing == Timing::Window)
        m_waiter.Delay(lingerMs);
    m_observer.progressEnded();
}
