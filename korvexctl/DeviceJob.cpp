#include "DeviceJob.h"

#include "core/Waiter.h"
#include "device/QtSerialLink.h"
#include "keys/KeyStringNotation.h"

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

DeviceJob::DeviceJob(Target target, Request::Operation operation, const AppSettings &settings,
                     DeviceSession::Timing timing, const KeyOverrides &rows, const RowSet &which)
    : target(std::move(target)), operation(operation), which(which), m_settings(settings), m_timing(timing),
      m_rows(rows)
{
    // The port is the target's device whatever the settings say; their port
    // number only has to be one the port takes.
    m_settings.Port = static_cast<qint16>(this->target.com > 0 ? this->target.com : 1);
    result.status = SessionResult::Status::Interrupted;
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

void DeviceJob::run()
{
    EventLoopWaiter waiter;
    QtSerialLink port{QString()};
    port.setDevice(target.device, target.port);
    ProgressCounter progress(rowsDone);
    DeviceSession session(port, waiter, progress);
    session.setTiming(m_timing);
    {
        const QMutexLocker lock(&m_mutex);
        if (m_stopRequested)
            return; // never started: nothing was touched
        started = true;
        m_waiter = &waiter;
    }

    const auto lookup = [this](int index) { return m_rows[static_cast<std::size_t>(index)]; };
    const auto enter = [this](Phase next) {
        rowsDone = 0;
        phase = next;
    };
    result = session.SetupCommPort(m_settings);
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
            enter(Phase::Writing);
            sent = session.sendRows(lookup, which);
            result = sent;
            if (sent.status == SessionResult::Status::Done) {
                enter(Phase::Verifying);
                result = session.verifyRows(lookup, which);
            }
            break;
        case Request::Operation::Verify:
            enter(Phase::Verifying);
            result = session.verifyRows(lookup, which);
            break;
        }
    }
    phase = Phase::Done;

    const QMutexLocker lock(&m_mutex);
    m_waiter = nullptr;
}
