#include "DeviceJob.h"

#include "TracedPort.h"

#include "core/Waiter.h"
#include "keys/KeyStringNotation.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMetaObject>

#include <optional>

// A command line shows only how far each device got: its phase, and the rows
// done in it; the rest is in the session's results.
class DeviceJob::Observer : public SessionObserver
{
public:
    explicit Observer(DeviceJob &job) : m_job(job) {}
    void deviceAttached() override { m_job.phase = m_job.m_next.load(); }
    void rowDone(int) override { ++m_job.rowsDone; }

private:
    DeviceJob &m_job;
};

DeviceJob::DeviceJob(Target target, Request::Operation operation, const JobSetup &setup)
    : target(std::move(target)), operation(operation), which(setup.which), version(this->target.version),
      m_setup(setup), m_rows([this](int index) { return m_setup.rows[static_cast<std::size_t>(index)]; })
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

void DeviceJob::enter(Phase next)
{
    rowsDone = 0;
    m_next = next;
    phase = Phase::Probing;
}

bool DeviceJob::begin(EventLoopWaiter &waiter)
{
    const QMutexLocker lock(&m_mutex);
    if (m_stopRequested)
        return false; // never started: nothing was touched
    started = true;
    m_waiter = &waiter;
    return true;
}

void DeviceJob::awaitDevice(DeviceSession &session, SystemSerialLink &port, EventLoopWaiter &waiter)
{
    // A device plugged in appears in its folder (/dev, /dev/serial/by-id), so
    // a watch on that folder wakes the wait; a device there that does not
    // answer yet (still starting, or the wrong one) is asked again a moment
    // later, until the time is up. A folder that is not there yet cannot be
    // watched (udev makes /dev/serial/by-id with the first adapter): it is
    // looked for again as often.
    constexpr int RetryMs = 200;
    phase = Phase::Waiting;
    QElapsedTimer clock;
    clock.start();
    QFileSystemWatcher watcher;
    try {
        for (;;) {
            const QFileInfo device(port.devicePath());
            if (device.exists() && session.CheckAttached().isEmpty()) {
                port.close();
                return;
            }
            port.close();
            const int left = m_setup.waitMs - static_cast<int>(clock.elapsed());
            if (left <= 0)
                break;
            if (!watcher.directories().contains(device.absolutePath()) &&
                QFileInfo(device.absolutePath()).isDir())
                watcher.addPath(device.absolutePath());
            if (device.exists())
                waiter.Delay(qMin(left, RetryMs));
            else
                waiter.waitUntil(qMin(left, RetryMs), [&] { return QFileInfo::exists(port.devicePath()); });
        }
    } catch (const OperationAborted &) {
        result.status = SessionResult::Status::Interrupted;
        return;
    }
    waitedOut = true;
    result.status = SessionResult::Status::PortFailed;
    result.message = QStringLiteral("%1 did not appear and answer within %2 s")
                         .arg(target.shown())
                         .arg(m_setup.waitMs / 1000.0);
}

void DeviceJob::writeAndVerify(DeviceSession &session)
{
    // The rows sent, each acknowledged one read back, then all verified.
    enter(Phase::Writing);
    sent = session.sendRows(m_rows, which);
    result = sent;
    if (sent.status == SessionResult::Status::Done) {
        enter(Phase::Verifying);
        result = session.verifyRows(m_rows, which);
    }
}

void DeviceJob::perform(DeviceSession &session)
{
    switch (operation) {
    case Request::Operation::List:
    case Request::Operation::Version:
        enter(Phase::Probing);
        result = session.queryVersion(DeviceSession::VersionQuery::IfAttached);
        version = result.version;
        break;
    case Request::Operation::Read:
        enter(Phase::Reading);
        result = session.readRows();
        break;
    case Request::Operation::Write:
        writeAndVerify(session);
        break;
    case Request::Operation::Verify:
        enter(Phase::Verifying);
        result = session.verifyRows(m_rows, which);
        break;
    case Request::Operation::Station:
        // What the unit runs, for its record, then the rows.
        enter(Phase::Probing);
        result = session.queryVersion(DeviceSession::VersionQuery::IfAttached);
        version = result.version;
        if (result.status == SessionResult::Status::Done)
            writeAndVerify(session);
        break;
    case Request::Operation::Check:
    case Request::Operation::Keys:
        break;
    }
}

void DeviceJob::run()
{
    EventLoopWaiter waiter;
    // The device the target was resolved to when the run began, and at every
    // opening the same one: the verify after a write, the retries of --wait,
    // a station unit's phases. The settings file is not read again.
    SystemSerialLink link{SettingsFile(QString())};
    link.setDevice(target.device, target.port);
    std::optional<TracedPort> traced;
    SerialPort *port = &link;
    if (m_setup.trace)
        port = &traced.emplace(link, *m_setup.trace, *m_setup.clock);
    Observer observer(*this);
    DeviceSession session(*port, waiter, observer);
    session.setTiming(m_setup.timing);
    if (!begin(waiter))
        return;

    result = session.SetupCommPort(m_setup.settings);
    if (result.status == SessionResult::Status::Done && m_setup.waitMs > 0)
        awaitDevice(session, link, waiter);
    if (result.status == SessionResult::Status::Done)
        perform(session);
    endedIn = phase == Phase::Probing ? m_next.load() : phase.load();
    phase = Phase::Done;

    const QMutexLocker lock(&m_mutex);
    m_waiter = nullptr;
}
