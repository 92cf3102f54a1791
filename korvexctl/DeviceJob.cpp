#include "DeviceJob.h"

#include "core/MainModel.h"
#include "core/Prompter.h"
#include "core/Waiter.h"
#include "device/SystemSerialLink.h"
#include "keys/KeyStringChecker.h"

#include <QMetaObject>

namespace {

// A command line has nobody to click a box: the results say it all.
class SilentPrompter : public Prompter
{
public:
    void message(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    void beep() override {}
};

} // namespace

CfgRows rowsOf(const KeyRows &rows)
{
    CfgRows out{};
    for (int i = 0; i < RowCount; ++i)
        out[static_cast<std::size_t>(i)] = {rows.keyName(i), rows.keyString(i)};
    return out;
}

void putRows(KeyRows &rows, const CfgRows &from)
{
    for (int i = 0; i < RowCount; ++i) {
        rows.setKeyName(i, from[static_cast<std::size_t>(i)].key);
        rows.setKeyString(i, from[static_cast<std::size_t>(i)].string);
    }
}

DeviceJob::DeviceJob(Target target, Request::Operation operation, const AppSettings &settings,
                     DeviceSession::Timing timing, const CfgRows &rows)
    : target(std::move(target)), operation(operation), m_settings(settings), m_timing(timing), m_rows(rows)
{
    // The session's messages name the port: COMn as the operator gave it.
    if (this->target.com > 0)
        m_settings.Port = static_cast<qint16>(this->target.com);
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
    SilentPrompter prompter;
    EventLoopWaiter waiter;
    SystemSerialLink port{QString()};
    port.setDevicePath(target.device);
    MainModel model;
    KeyStringChecker checker(model.rows(), prompter);
    DeviceSession session(model, port, waiter, prompter);
    session.setTiming(m_timing);
    session.setRowObserver([this](int row) { rowsDone = row + 1; });
    {
        const QMutexLocker lock(&m_mutex);
        m_waiter = &waiter;
        if (m_stopRequested)
            waiter.abort();
    }

    session.SetupCommPort(m_settings);
    putRows(model.rows(), m_rows);
    switch (operation) {
    case Request::Operation::List:
    case Request::Operation::Version:
        result = session.queryVersion(DeviceSession::VersionQuery::IfAttached);
        break;
    case Request::Operation::Read:
        result = session.readRows();
        deviceRows = rowsOf(model.rows());
        break;
    case Request::Operation::Write:
        sent = session.sendRows();
        result = sent;
        if (sent.status == SessionResult::Status::Done) {
            rowsDone = 0;
            result = session.verifyRows();
        }
        break;
    case Request::Operation::Verify:
        result = session.verifyRows();
        break;
    }

    const QMutexLocker lock(&m_mutex);
    m_waiter = nullptr;
}
