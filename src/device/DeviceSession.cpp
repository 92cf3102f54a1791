#include "device/DeviceSession.h"

#include "core/KorvexError.h"
#include "core/MainModel.h"
#include "core/Prompter.h"
#include "core/Waiter.h"
#include "device/DeviceFrames.h"
#include "device/LineSettings.h"
#include "device/SerialPort.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringNotation.h"

namespace {

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

const QString CodeLabelPrefix = QStringLiteral("Code Version Reported: ");

// Marks the model busy for the lifetime of one operation, whichever way it ends.
class BusyGuard
{
public:
    explicit BusyGuard(MainModel &model) : m_model(model) { m_model.setBusy(true); }
    ~BusyGuard() { m_model.setBusy(false); }
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;

private:
    MainModel &m_model;
};

QString rowNumber(int index)
{
    return QString::number(index + 1);
}

void startProgress(ProgressModel &progress)
{
    progress.setVisible(true);
    progress.setPercentText(QStringLiteral("0%"));
    progress.setMaximum(15);
    progress.setValue(0);
}

} // namespace

DeviceSession::DeviceSession(MainModel &model, SerialPort &port, Waiter &waiter, Prompter &prompter)
    : m_model(model), m_port(port), m_waiter(waiter), m_prompter(prompter)
{}

void DeviceSession::setTiming(Timing timing)
{
    m_timing = timing;
}

void DeviceSession::setRowObserver(std::function<void(int row)> observer)
{
    m_rowObserver = std::move(observer);
}

template <typename Body> SessionResult DeviceSession::runExclusive(const QString &failureText, Body &&body)
{
    if (m_model.isBusy()) {
        SessionResult refused;
        refused.status = SessionResult::Status::Refused;
        return refused;
    }
    m_result = SessionResult();
    {
        BusyGuard busy(m_model);
        try {
            body();
        } catch (const KorvexError &error) {
            m_result.status = SessionResult::Status::PortFailed;
            m_result.message = error.description();
            m_prompter.message(failureText + error.description());
        } catch (const OperationAborted &) {
            // Closing or stopped: let go of the device and say nothing.
            m_result.status = SessionResult::Status::Interrupted;
            releasePort();
        }
    }
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

void DeviceSession::SetupCommPort(const AppSettings &settings)
{
    m_settings = settings;
    // New settings must not pull the port from under a running operation.
    if (m_model.isBusy()) {
        m_setupPending = true;
        return;
    }
    try {
        if (m_port.isOpen())
            m_port.close();
        m_port.setPortNumber(settings.Port);
        m_port.setLineSettings(lineSettingsFor(settings.Baud, settings.Parity));
        m_model.setText(MainModel::Text::CommLabel, QStringLiteral("COM") + QString::number(settings.Port));
        m_model.setText(MainModel::Text::BaudLabel, settings.Baud);
        if (const QString parity = parityName(settings.Parity); !parity.isEmpty())
            m_model.setText(MainModel::Text::ParityLabel, parity);
    } catch (const KorvexError &error) {
        m_prompter.message(QStringLiteral("Error setting up comm port - ") + error.description());
    }
}

void DeviceSession::addMarker(int line)
{
    // The log may have been cleared meanwhile (Clear All during a wait).
    StatusLog &log = m_model.log();
    if (line >= 0 && line < log.count())
        log.setLine(line, log.line(line) + " *");
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
    QString result = QStringLiteral("KORVEX not responsing on port COM") + QString::number(m_settings.Port);
    int tries = 0;
    bool found = false;
    StatusLog &log = m_model.log();
    log.Add2Status("Check for KORVEX attached");
    const int line = log.lastIndex();

    try {
        while (tries < AttachTries && !found) {
            addMarker(line);
            if (!m_port.isOpen())
                m_port.open();
            m_port.write(QByteArrayLiteral("z"));

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
        m_prompter.message(QStringLiteral("Error checking for KORVEX attachment- ") + error.description());
        return result;
    }

    if (!found)
        return result;
    log.Add2Status("KORVEX responded after " + QByteArray::number(tries) + " tries");
    return {};
}

// Reading, sending and verifying stop with a beep when no device answered;
// the check has already logged its tries, the message goes after them.
bool DeviceSession::attachedOrReported()
{
    const QString attached = CheckAttached();
    if (attached.isEmpty())
        return true;
    m_prompter.beep();
    m_model.log().Add2Status(attached.toLatin1());
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

namespace {

// A read reply is whole once the 0x00 after its scancode has come.
bool readReplyWhole(const QByteArray &bytes)
{
    return bytes.indexOf('\0', 1) > 0;
}

// A version text has no terminator: whatever came, once the line is quiet.
bool anyReply(const QByteArray &bytes)
{
    return !bytes.isEmpty();
}

} // namespace

SessionResult DeviceSession::readRows()
{
    return runExclusive(QStringLiteral("Error retrieve current key overrides - "), [this] {
        StatusLog &log = m_model.log();
        KeyRows &rows = m_model.rows();
        ProgressModel &progress = m_model.progress();

        log.clear();
        log.Add2Status("Read Operation Requested");
        startProgress(progress);
        rows.markAllUnconfirmed(true);

        if (!attachedOrReported())
            return;

        for (int i = 0; i < RowCount; ++i) {
            rows.setKeyString(i, QByteArray());
            if (!m_port.isOpen())
                m_port.open();
            const QByteArray command = readCommand(i);
            m_port.write(command);
            log.Add2Status("Sent " + showNul(command));
            awaitReply(ReadReplyMs, readReplyWhole);

            const QByteArray reply = m_port.readAll();
            RowOutcome &outcome = m_result.rows[static_cast<std::size_t>(i)];
            outcome.kind = reply.isEmpty() ? RowOutcome::Kind::NoReply : RowOutcome::Kind::Read;
            if (!reply.isEmpty()) {
                const QByteArray name = ScancodeToKeyName(static_cast<quint8>(reply.at(0)));
                rows.setKeyName(i, name);
                log.Add2Status("Response: " + responseLogText(reply));
                rows.setIcon(i, RowIcon::CheckMark);
                if (!name.isEmpty())
                    fillRowFromReply(i, replyStringBytes(reply));
            }
            progress.step(i);
            rowDone(i);
        }

        closeAndHideProgress(ReadLingerMs);
    });
}

void DeviceSession::fillRowFromReply(int index, const QByteArray &stringPart)
{
    KeyRows &rows = m_model.rows();
    int units = 0;
    for (const char byte : stringPart) {
        // Byte by byte, so the row's check runs after each one as it would
        // for typing. The seventh unit draws the too-long message and is cut
        // back; what follows in this reply is dropped rather than drawing the
        // same message once per byte.
        rows.setKeyString(index, rows.keyString(index) + receivedByteUnit(static_cast<quint8>(byte)));
        if (++units > MaxOutputUnits)
            break;
    }
}

QByteArray DeviceSession::awaitAcknowledgement(int index)
{
    const char indexChar = rowIndexChar(index);
    const auto handle = [&](QByteArray *status) {
        const QByteArray reply = m_port.readAll();
        if (reply.size() >= 2 && reply.at(0) == Ack && reply.at(1) == indexChar) {
            const bool verified = VerifyKey(index);
            *status = (verified ? "success # " : "FAILED to verify # ") + rowNumber(index).toLatin1();
            m_model.rows().setIcon(index, verified ? RowIcon::CheckMark : RowIcon::QuestionMark);
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
    RowOutcome &outcome = m_result.rows[static_cast<std::size_t>(index)];
    outcome.kind = RowOutcome::Kind::NotAcknowledged;
    outcome.reply = reply;
}

SessionResult DeviceSession::sendRows()
{
    return runExclusive(QStringLiteral("Error sending to KORVEX. "), [this] {
        StatusLog &log = m_model.log();
        KeyRows &rows = m_model.rows();
        ProgressModel &progress = m_model.progress();

        startProgress(progress);
        log.clear();

        if (!attachedOrReported())
            return;
        rows.markAllUnconfirmed(true);

        for (int i = 0; i < RowCount; ++i) {
            const QByteArray name = rows.keyName(i);
            const auto scancode =
                name.isEmpty() ? NoKeyScancode : static_cast<quint8>(KeyNameToScancode(name));
            // The device ends a frame at its first 0x00, so anything after a
            // {00} in the string would be taken as new commands and could
            // overwrite another row. Stop there: the device holds what it can,
            // and the read-back reports the row as not matching the screen.
            const QByteArray encoded = EncodeKeyString(rows.keyString(i));
            const QByteArray bytes =
                encoded.left(encoded.indexOf('\0') < 0 ? encoded.size() : encoded.indexOf('\0'));
            const char indexChar = rowIndexChar(i);

            if (!m_port.isOpen())
                m_port.open();
            m_port.write(QByteArrayLiteral("/W") + indexChar);
            m_port.write(QByteArray(1, static_cast<char>(scancode)));
            if (!bytes.isEmpty())
                m_port.write(bytes);
            m_port.write(QByteArray(1, '\0'));
            log.Add2Status("/W" + QByteArray(1, indexChar) + '{' +
                           QByteArray::number(scancode, 16).toUpper() + '}' + bytes + "[NUL]");

            log.Add2Status(awaitAcknowledgement(i));
            progress.step(i);
            rowDone(i);
        }

        closeAndHideProgress(SendLingerMs);
    });
}

bool DeviceSession::VerifyKey(int id)
{
    StatusLog &log = m_model.log();
    KeyRows &rows = m_model.rows();
    RowOutcome &outcome = m_result.rows[static_cast<std::size_t>(id)];

    const QByteArray command = readCommand(id);
    m_port.write(command);
    log.Add2Status("Sent " + showNul(command));
    awaitReply(VerifyReplyMs, readReplyWhole);

    const QByteArray reply = m_port.readAll();
    // No reply proves nothing about the device's copy of the row.
    if (reply.isEmpty()) {
        outcome.kind = RowOutcome::Kind::NoReply;
        return false;
    }

    const QByteArray name = ScancodeToKeyName(static_cast<quint8>(reply.at(0)));
    const QByteArray deviceBytes = replyStringBytes(reply);
    outcome.deviceKey = name;
    outcome.deviceString = RenderReceivedBytes(deviceBytes);
    if (name != rows.keyName(id)) {
        outcome.kind = RowOutcome::Kind::KeyMismatch;
        rows.setIcon(id, RowIcon::QuestionMark);
        m_prompter.message(QLatin1Char('#') + rowNumber(id) +
                           QStringLiteral(" keyboard keyidentifier does not match screen"));
        return false;
    }
    log.Add2Status("Response: " + responseLogText(reply));
    rows.setIcon(id, RowIcon::CheckMark);
    outcome.kind = RowOutcome::Kind::Match;
    if (name.isEmpty())
        return true;

    // Compared as bytes, so a space, a brace or {7} on screen matches the
    // device holding exactly those bytes.
    if (deviceBytes == EncodeKeyString(rows.keyString(id)))
        return true;
    outcome.kind = RowOutcome::Kind::StringMismatch;
    rows.setIcon(id, RowIcon::QuestionMark);
    m_prompter.message(QLatin1Char('#') + rowNumber(id) + QStringLiteral(" output string - ") +
                       QString::fromLatin1(outcome.deviceString) +
                       QStringLiteral(" - does not match screen value"));
    return false;
}

SessionResult DeviceSession::verifyRows()
{
    return runExclusive(QStringLiteral("Error verifying values. "), [this] {
        m_model.log().clear();
        if (!attachedOrReported())
            return;
        m_model.rows().markAllUnconfirmed(true);
        for (int i = 0; i < RowCount; ++i) {
            VerifyKey(i);
            rowDone(i);
        }
        m_port.close();
    });
}

SessionResult DeviceSession::queryVersion(VersionQuery when)
{
    return runExclusive(QStringLiteral("Error getting code version. "), [this, when] {
        StatusLog &log = m_model.log();
        log.clear();
        // Unlike the other operations, the window asks even when the check
        // found no device.
        const QString attached = CheckAttached();
        if (!attached.isEmpty()) {
            log.Add2Status(attached.toLatin1());
            noteNotAttached(attached);
            if (when == VersionQuery::IfAttached) {
                m_port.close();
                return;
            }
        }
        if (!m_port.isOpen())
            m_port.open();
        log.Add2Status("Requesting Version");
        m_port.write(QByteArrayLiteral("V"));
        awaitReply(VersionReplyMs, anyReply);

        QByteArray reply = m_port.readAll();
        m_result.version = reply;
        if (reply.isEmpty())
            reply = "???";
        m_model.setText(MainModel::Text::CodeLabel, CodeLabelPrefix + QString::fromLatin1(reply));
        log.Add2Status("Version = " + reply);
        m_port.close();
    });
}

void DeviceSession::closeAndHideProgress(int lingerMs)
{
    m_port.close();
    // In the window the 100% stays on screen a moment.
    if (m_timing == Timing::Window)
        m_waiter.Delay(lingerMs);
    m_model.progress().setVisible(false);
}

void DeviceSession::rowDone(int row)
{
    if (m_rowObserver)
        m_rowObserver(row);
}
