#include "DeviceJob.h"

#include "core/Waiter.h"
#include "keys/KeyStringNotation.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMetaObject>

namespace {

// A command line shows only how far each device got; the rest is in the
// session's results.
class ProgressCounter : public SessionObserver
{
public:
    explicit ProgressCounter(std::atomic<int> &rowsDone) : m_rowsDone(rowsDone) {}
    void rowDone(int) override { ++m_rowsDone; }

private:
    std::atomic<int> &m_rowsDone;
};

} // namespace

DeviceJob::DeviceJob(Target target, Request::Operation operation, const JobSetup &setup)
    : target(std::move(target)), operation(operation), which(setup.which), m_setup(setup)
{
    // COMn is the target's number whatever the settings say; a device named by
    // its path only needs a number the port takes.
    m_setup.settings.Port = static_cast<qint16>(this->target.com > 0 ? this->target.com : 1);
    result.status = SessionResult::Status::Interrupted;
}

QString DeviceJob::phaseName(Phase phase)
{
    switch (phase) {
    case Phase::Waiting:
        return QStringLiteral("waiting");
    case Phase::Probing:
        return QStringLiteral("probing");
    case Phase::Reading:
        return QStringLiteral("reading");
    case Phase::Writing:
        return QStringLiteral("writing");
    case Phase::Verifying:
        return QStringLiteral("verifying");
    case Phase::Done:
        return QStringLiteral("done");
    }
    return {};
}

KeyOverrides DeviceJob::deviceRows() const
{
    KeyOverrides rows;
    for (int i = 0; i < RowCount; ++i) {
        const RowOutcome &read = result.rows[static_cast<std::size_t>(i)];
        rows[static_cast<std::size_t>(i)] = {read.deviceKey, CheckedKeyString(read.deviceString), {}};
    }
    return rows;
}

void DeviceJob::requestStop()
{
    const QMutexLocker lock(&m_mutex);
    m_stopRequested = true;
    // The waiter lives on the job's thread; it ends its wait there. Holding
    // the lock keeps it alive until the call is queued.
    if (m_waiter)
        QMetaObject::invokeMethod(
            m_waiter, [waiter = m_waiter] { waiter->abort(); }, Qt::QueuedConnection);
}

bool DeviceJob::awaitDevice(DeviceSession &session, SystemSerialLink &port, EventLoopWaiter &waiter)
{
    // A device plugged in appears in its folder (/dev, /dev/serial/by-id), so
    // a watch on that folder wakes the wait; a device there that does not
    // answer yet (still starting, or the wrong one) is asked again a moment
    // later, until the time is up.
    constexpr int RetryMs = 200;
    QElapsedTimer clock;
    clock.start();
    QFileSystemWatcher watcher;
    for (;;) {
        const QFileInfo device(port.devicePath());
        if (device.exists() && session.CheckAttached().isEmpty()) {
            port.close();
            return true;
        }
        port.close();
        const int left = m_setup.waitMs - static_cast<int>(clock.elapsed());
        if (left <= 0)
            return false;
        if (!watcher.directories().contains(device.absolutePath()))
            watcher.addPath(device.absolutePath());
        if (device.exists())
            waiter.Delay(qMin(left, RetryMs));
        else
            waiter.waitUntil(left, [&] { return QFileInfo::exists(port.devicePath()); });
    }
}

void DeviceJob::run()
{
    EventLoopWaiter waiter;
    // The device the target was resolved to when the run began, and at every
    // opening the same one: the verify after a write, the retries of --wait,
    // a station unit's phases. The settings file is not read again.
    SystemSerialLink port{SettingsFile(QString())};
    port.setDevice(target.device, target.port);
    ProgressCounter progress(rowsDone);
    DeviceSession session(port, waiter, progress);
    session.setTiming(m_setup.timing);
    {
        const QMutexLocker lock(&m_mutex);
        if (m_stopRequested)
            return; // never started: nothing was touched
        started = true;
        m_waiter = &waiter;
    }

    const auto lookup = [this](int index) { return m_setup.rows[static_cast<std::size_t>(index)]; };
    const auto enter = [this](Phase next) {
        rowsDone = 0;
        phase = next;
    };
    // The rows sent, each acknowledged one read back, then all verified.
    const auto writeAndVerify = [&] {
        enter(Phase::Writing);
        sent = session.sendRows(lookup, which);
        result = sent;
        if (sent.status == SessionResult::Status::Done) {
            enter(Phase::Verifying);
            result = session.verifyRows(lookup, which);
        }
    };
    result = session.SetupCommPort(m_setup.settings);
    if (result.status == SessionResult::Status::Done && m_setup.waitMs > 0) {
        enter(Phase::Waiting);
        try {
            if (!awaitDevice(session, port, waiter)) {
                result.status = SessionResult::Status::PortFailed;
                result.message = QStringLiteral("%1 did not appear and answer within %2 s")
                                     .arg(target.shown())
                                     .arg(m_setup.waitMs / 1000.0);
            }
        } catch (const OperationAborted &) {
            result.status = SessionResult::Status::Interrupted;
        }
    }
    if (result.status == SessionResult::Status::Done) {
        switch (operation) {
        case Request::Operation::List:
        case Request::Operation::Version:
            enter(Phase::Probing);
            result = session.queryVersion(DeviceSession::VersionQuery::IfAttached);
            break;
        case Request::Operation::Read:
            enter(Phase::Reading);
            result = session.readRows();
            break;
        case Request::Operation::Write:
            writeAndVerify();
            break;
        case Request::Operation::Verify:
            enter(Phase::Verifying);
            result = session.verifyRows(lookup, which);
            break;
        case Request::Operation::Station:
            // What the unit runs, for its record, then the rows.
            enter(Phase::Probing);
            result = session.queryVersion(DeviceSession::VersionQuery::IfAttached);
            version = result.version;
            if (result.status == SessionResult::Status::Done)
                writeAndVerify();
            break;
        }
    }
    endedIn = phase;
    phase = Phase::Done;

    const QMutexLocker lock(&m_mutex);
    m_waiter = nullptr;
}
