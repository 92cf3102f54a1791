#include "Station.h"

#include "Console.h"
#include "Report.h"
#include "StopSignal.h"

#include "core/VisibleText.h"

#include <QDateTime>
#include <QThread>

namespace {

// The name, and what the system calls the device when it says.
QString shownName(const UnitEntry &entry)
{
    return entry.description.isEmpty() ? entry.name
                                       : QStringLiteral("%1 (%2)").arg(entry.name, entry.description);
}

} // namespace

struct Station::Unit
{
    UnitEntry entry; // as its source showed it when it appeared
    enum class State { Settling, Queued, Running } state = State::Settling;
    QTimer settle;
    int number = 0;
    std::unique_ptr<DeviceJob> job;
    std::unique_ptr<QThread> thread;
    QElapsedTimer clock;
    bool removed = false;
};

Station::Station(const Request &request, const JobSetup &setup, UnitSource &source, Console &console,
                 StopSignal &stop, int atOnce)
    : m_request(request), m_setup(setup), m_source(source), m_console(console), m_atOnce(atOnce)
{
    connect(&m_source, &UnitSource::changed, this, &Station::rescan);
    connect(&stop, &StopSignal::requested, this, [this] {
        m_console.say(QStringLiteral("stopping each unit after its current command"));
        m_interruptedBySignal = true;
        stopAll();
    });
    connect(&stop, &StopSignal::requestedAgain, this, [this] {
        m_console.say(QStringLiteral("still stopping: each unit ends its current command, then is recorded"));
    });
    connect(&m_progress, &QTimer::timeout, this, &Station::showProgress);
}

Station::~Station() = default;

int Station::run()
{
    QString why = m_source.refusal();
    if (!why.isEmpty()) {
        m_console.say(why);
        return ExitStatus::Usage;
    }
    if (!m_request.logPath.isEmpty() && !m_log.open(m_request.logPath, &why)) {
        m_console.say(why);
        return ExitStatus::Usage;
    }
    if (const QString note = m_source.startNote(); !note.isEmpty())
        m_console.say(note);
    m_console.say(
        QStringLiteral("watching %1 for units; Ctrl+C ends with a summary").arg(m_source.watched()));
    if (m_console.terminal())
        m_progress.start(250);
    rescan();
    m_loop.exec();
    m_progress.stop();
    summarise();
    return m_interruptedBySignal ? int(ExitStatus::Interrupted) : m_status;
}

void Station::rescan()
{
    // What was present is taken first: an entry passed over below leaves it.
    const auto was = m_present;
    std::map<QString, UnitEntry> present;
    for (const UnitEntry &entry : m_source.entries()) {
        if (!entry.unusable.isEmpty())
            ignore(entry, entry.unusable);
        else if (!entry.identity.isEmpty() && !m_ignored.count(entry.name + u'|' + entry.target))
            present[entry.name] = entry;
    }
    m_present.clear();
    for (const auto &[name, entry] : present)
        m_present[name] = entry.identity;
    for (const auto &[name, identity] : was) {
        const auto now = m_present.find(name);
        if (now == m_present.end() || now->second != identity)
            unplugged(name);
    }
    for (const auto &[name, entry] : present) {
        const auto before = was.find(name);
        if (before == was.end() || before->second != entry.identity)
            plugged(entry);
    }
}

void Station::ignore(const UnitEntry &entry, const QString &why)
{
    // Named once; never counted, never programmed.
    if (m_ignored.insert(entry.name + u'|' + entry.target).second)
        m_console.say(QStringLiteral("ignored %1: %2").arg(shownName(entry), why));
    m_present.erase(entry.name);
}

void Station::plugged(const UnitEntry &entry)
{
    if (m_stopping || (m_request.count > 0 && m_started >= m_request.count))
        return;
    if (const QString why = m_source.notSerial(entry); !why.isEmpty()) {
        ignore(entry, why);
        return;
    }
    auto unit = std::make_unique<Unit>();
    unit->entry = entry;
    // An adapter just plugged in may need a moment before it takes bytes.
    unit->settle.setSingleShot(true);
    Unit *waiting = unit.get();
    connect(&unit->settle, &QTimer::timeout, this, [this, waiting] {
        waiting->state = Unit::State::Queued;
        startQueued();
    });
    unit->settle.start(m_request.settleMs);
    m_units.push_back(std::move(unit));
}

void Station::unplugged(const QString &name)
{
    for (auto it = m_units.begin(); it != m_units.end(); ++it) {
        Unit &unit = **it;
        if (unit.entry.name != name)
            continue;
        if (unit.state != Unit::State::Running) {
            m_units.erase(it); // gone before a byte reached it: nothing to tell
            return;
        }
        unit.removed = true;
        unit.job->requestStop();
        return;
    }
}

void Station::startQueued()
{
    for (const auto &unit : m_units) {
        if (m_stopping || m_running >= m_atOnce || (m_request.count > 0 && m_started >= m_request.count))
            return;
        if (unit->state != Unit::State::Queued)
            continue;
        unit->state = Unit::State::Running;
        unit->number = ++m_started;
        const UnitEntry &entry = unit->entry;
        unit->job =
            std::make_unique<DeviceJob>(Target{entry.name, entry.path, 0, true, entry.description, {}},
                                        Request::Operation::Station, m_setup);
        unit->thread.reset(QThread::create([job = unit->job.get()] { job->run(); }));
        Unit *running = unit.get();
        // Queued from the unit's thread: it runs later, from the event loop,
        // never inside this loop.
        // cppcheck-suppress invalidContainerLoop
        connect(unit->thread.get(), &QThread::finished, this, [this, running] { finished(running); });
        ++m_running;
        unit->clock.start();
        unit->thread->start();
    }
}

void Station::finished(Unit *unit)
{
    unit->thread->wait();
    --m_running;
    m_unitMs += unit->clock.elapsed();
    report(*unit);
    m_units.erase(
        std::find_if(m_units.begin(), m_units.end(), [unit](const auto &u) { return u.get() == unit; }));
    const bool counted = m_request.count > 0 && m_started >= m_request.count;
    if ((m_stopping || counted) && m_running == 0) {
        m_loop.quit();
        return;
    }
    startQueued();
}

void Station::report(const Unit &unit)
{
    const DeviceJob &job = *unit.job;
    // Pulled out, whether the watch has told yet or the port's failure came
    // first.
    const bool removed = unit.removed || !m_source.stillThere(unit.entry);
    const DeviceReport report = reportFor(job, m_setup.rows, verdictFor(job, {}, removed));
    const Verdict &verdict = report.verdict;
    const bool stopped =
        verdict.kind == Verdict::Kind::Interrupted || verdict.kind == Verdict::Kind::NotStarted;
    const QString word = verdict.ok() ? QStringLiteral("PASS")
                         : stopped    ? QStringLiteral("INTERRUPTED")
                                      : QStringLiteral("FAIL");
    (verdict.ok() ? m_passed : stopped ? m_interrupted : m_failed) += 1;
    if (!verdict.ok())
        m_status = std::max(m_status, int(ExitStatus::RowsFailed));

    const QDateTime now = QDateTime::currentDateTime();
    const QString version = versionText(job.version);
    QString line = QStringLiteral("#%1 %2 %3 %4 %5")
                       .arg(unit.number)
                       .arg(now.toString(QStringLiteral("HH:mm:ss")), shownName(unit.entry),
                            version.isEmpty() ? QStringLiteral("-") : version, word);
    if (!verdict.ok())
        line += QStringLiteral(": ") + verdict.reason;
    QByteArray text = terminalText(oneLine(line)) + '\n';
    for (const QString &detail : report.details)
        text += terminalText(oneLine(detail)) + '\n';

    QJsonObject record = report.object;
    record.insert(QStringLiteral("unit"), unit.number);
    record.insert(QStringLiteral("name"), unit.entry.name);
    if (!unit.entry.description.isEmpty())
        record.insert(QStringLiteral("description"), unit.entry.description);
    record.insert(QStringLiteral("time"), now.toString(Qt::ISODateWithMs));
    record.insert(QStringLiteral("result"), word);
    record.insert(QStringLiteral("reason"), verdict.ok() ? QJsonValue() : QJsonValue(verdict.reason));
    const QByteArray json = jsonLine(record);
    print(m_request.json ? json : markVerdicts(text, stdout));
    QString why;
    if (m_log.isOpen() && !m_log.append(json, &why)) {
        // The record is what the line relies on: without it, stop taking units.
        m_console.say(why + QStringLiteral("; no further unit is started"));
        m_status = std::max(m_status, int(ExitStatus::RowsFailed));
        stopAll();
    }
}

void Station::print(const QByteArray &bytes)
{
    QString why;
    m_console.endProgress();
    if (!writeStandardOutput(bytes, &why)) {
        m_console.say(why);
        m_status = ExitStatus::RowsFailed;
    }
}

void Station::stopAll()
{
    m_stopping = true;
    // Units still settling or waiting for their turn were never touched.
    m_units.erase(std::remove_if(m_units.begin(), m_units.end(),
                                 [](const auto &unit) { return unit->state != Unit::State::Running; }),
                  m_units.end());
    for (const auto &unit : m_units)
        unit->job->requestStop();
    if (m_running == 0)
        m_loop.quit();
}

void Station::showProgress()
{
    if (m_request.quiet)
        return;
    QStringList line;
    for (const auto &unit : m_units) {
        if (unit->state != Unit::State::Running)
            continue;
        const DeviceJob &job = *unit->job;
        line << QStringLiteral("%1 %2 %3/%4")
                    .arg(unit->entry.name, DeviceJob::phaseName(job.phase))
                    .arg(job.rowsDone.load())
                    .arg(job.which.count());
    }
    m_console.progress(line.isEmpty() ? QStringLiteral("waiting for a unit; %1 done").arg(m_started)
                                      : line.join(QStringLiteral("  ")));
}

void Station::summarise()
{
    const int units = m_passed + m_failed + m_interrupted;
    const QString perUnit =
        units == 0 ? QString()
                   : QStringLiteral("; %1 s a unit").arg(double(m_unitMs) / units / 1000.0, 0, 'f', 2);
    m_console.write(
        markVerdicts(terminalText(QStringLiteral("station: %1 %2, %3 passed, %4 failed, %5 "
                                                 "interrupted%6\n")
                                      .arg(units)
                                      .arg(units == 1 ? QStringLiteral("unit") : QStringLiteral("units"))
                                      .arg(m_passed)
                                      .arg(m_failed)
                                      .arg(m_interrupted)
                                      .arg(perUnit)),
                     stderr));
}
