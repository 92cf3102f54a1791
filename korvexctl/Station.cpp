#include "Station.h"

#include "Console.h"
#include "Report.h"
#include "StopSignal.h"

#include "core/VisibleText.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

struct Station::Unit
{
    QString name;   // the stable name, as the folder lists it
    QString path;   // its entry in the folder, which leads to the device
    QString target; // the device itself, to tell a unit plugged in again
    enum class State { Settling, Queued, Running } state = State::Settling;
    QTimer settle;
    int number = 0;
    std::unique_ptr<DeviceJob> job;
    std::unique_ptr<QThread> thread;
    QElapsedTimer clock;
    bool removed = false;
};

namespace {

// What tells one plugging in from the next under the same name: the device
// the entry leads to, and the entry itself, which udev makes anew each time
// (a quick unplug and plug may reach the station as one change of the folder).
QString identity(const QFileInfo &entry)
{
    const QString target = entry.canonicalFilePath();
    if (target.isEmpty())
        return {}; // a link whose device is gone: a unit being pulled out
#ifdef Q_OS_UNIX
    struct stat link
    {
    };
    // A freed inode number is soon given to the next file: the time the link
    // was made tells the two apart.
    if (::lstat(QFile::encodeName(entry.filePath()).constData(), &link) == 0)
        return QStringLiteral("%1|%2|%3.%4")
            .arg(target)
            .arg(link.st_ino)
            .arg(link.st_ctim.tv_sec)
            .arg(link.st_ctim.tv_nsec);
#endif
    return target;
}

QString phaseWord(DeviceJob::Phase phase)
{
    switch (phase) {
    case DeviceJob::Phase::Writing:
        return QStringLiteral("write");
    case DeviceJob::Phase::Verifying:
        return QStringLiteral("verify");
    default:
        return QStringLiteral("probe");
    }
}

// "rows 1-6 new", or nothing when the device took none.
QString newRows(const DeviceJob &job)
{
    const RowSet rows = acknowledgedRows(job);
    return rows.none() ? QStringLiteral("no row new") : QStringLiteral("rows %1 new").arg(rowRanges(rows));
}

} // namespace

Station::Station(const Request &request, const JobSetup &setup, Console &console, StopSignal &stop,
                 int atOnce)
    : m_request(request), m_setup(setup), m_console(console), m_atOnce(atOnce)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &Station::rescan);
    connect(&stop, &StopSignal::requested, this, [this] {
        m_console.say(QStringLiteral("stopping each unit after its current command"));
        stopAll();
    });
    connect(&m_progress, &QTimer::timeout, this, &Station::showProgress);
}

Station::~Station() = default;

int Station::run()
{
    QString why;
    if (!m_request.logPath.isEmpty() && !m_log.open(m_request.logPath, &why)) {
        m_console.say(why);
        return ExitStatus::Usage;
    }
    m_console.say(QStringLiteral("watching %1 for units; Ctrl+C ends with a summary")
                      .arg(QDir::toNativeSeparators(m_request.watchDir)));
    if (m_console.terminal())
        m_progress.start(250);
    rescan();
    m_loop.exec();
    m_progress.stop();
    summarise();
    return m_status;
}

void Station::rescan()
{
    // The folder may not be there yet (udev makes /dev/serial/by-id for the
    // first adapter, and removes it with the last): until it is, its nearest
    // folder that is watches for it.
    const QDir folder(m_request.watchDir);
    QString watched = folder.absolutePath();
    while (!QFileInfo(watched).isDir() && QFileInfo(watched).absolutePath() != watched)
        watched = QFileInfo(watched).absolutePath();
    if (!m_watcher.directories().contains(watched))
        m_watcher.addPath(watched);

    std::map<QString, QString> present;
    if (folder.exists()) {
        for (const QFileInfo &entry :
             folder.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
            if (const QString id = identity(entry); !id.isEmpty())
                present[entry.fileName()] = id;
        }
    }
    const auto was = m_present;
    m_present = present;
    for (const auto &[name, target] : was) {
        const auto now = present.find(name);
        if (now == present.end() || now->second != target)
            unplugged(name);
    }
    for (const auto &[name, target] : present) {
        const auto before = was.find(name);
        if (before == was.end() || before->second != target)
            plugged(name, target);
    }
}

void Station::plugged(const QString &name, const QString &target)
{
    if (m_stopping || (m_request.count > 0 && m_started >= m_request.count))
        return;
    auto unit = std::make_unique<Unit>();
    unit->name = name;
    unit->path = QDir(m_request.watchDir).filePath(name);
    unit->target = target;
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
        if (unit.name != name)
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
        unit->job = std::make_unique<DeviceJob>(Target{unit->name, unit->path, 0, true, QString()},
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
    DeviceReport report = reportFor(job, m_setup.rows);
    const SessionResult::Status status = job.result.status;
    // A link that leads nowhere now is a unit pulled out, whether the watch
    // has told yet or the port's failure came first.
    const bool removed = unit.removed || !QFileInfo::exists(unit.path);
    Verdict verdict = Verdict::Fail;
    QString reason;
    if (removed && status != SessionResult::Status::Done) {
        reason = QStringLiteral("removed during %1, %2").arg(phaseWord(job.endedIn), newRows(job));
    } else if (status == SessionResult::Status::Interrupted) {
        verdict = Verdict::Interrupted;
        reason = QStringLiteral("stopped during %1, %2").arg(phaseWord(job.endedIn), newRows(job));
    } else if (status == SessionResult::Status::NotAttached) {
        reason = QStringLiteral("no answer: ") + job.result.message;
    } else if (status != SessionResult::Status::Done) {
        reason = job.result.message + QStringLiteral(" (%1)").arg(newRows(job));
    } else if (report.exitStatus != ExitStatus::Ok) {
        RowSet differ;
        for (int i = 0; i < RowCount; ++i) {
            if (job.which.test(std::size_t(i)) &&
                job.result.rows[std::size_t(i)].kind != RowOutcome::Kind::Match)
                differ.set(std::size_t(i));
        }
        reason = QStringLiteral("rows %1 differ").arg(rowRanges(differ));
    } else {
        verdict = Verdict::Pass;
    }
    const QString word = verdict == Verdict::Pass   ? QStringLiteral("PASS")
                         : verdict == Verdict::Fail ? QStringLiteral("FAIL")
                                                    : QStringLiteral("INTERRUPTED");
    (verdict == Verdict::Pass ? m_passed : verdict == Verdict::Fail ? m_failed : m_interrupted) += 1;
    if (verdict != Verdict::Pass)
        m_status = ExitStatus::RowsFailed;

    QByteArray version = job.version;
    while (version.endsWith('\n') || version.endsWith('\r'))
        version.chop(1);
    const QDateTime now = QDateTime::currentDateTime();
    // The row lines of the report say what differs, row by row.
    const QString details = report.text.section(QLatin1Char('\n'), 1);
    const QString line =
        QStringLiteral("#%1 %2 %3 %4 %5%6\n%7")
            .arg(unit.number)
            .arg(now.toString(QStringLiteral("HH:mm:ss")), unit.name,
                 version.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(version), word,
                 reason.isEmpty() ? QString() : QStringLiteral(": ") + reason,
                 verdict == Verdict::Fail && status == SessionResult::Status::Done ? details : QString());
    QJsonObject record = report.object;
    record.insert(QStringLiteral("unit"), unit.number);
    record.insert(QStringLiteral("name"), unit.name);
    record.insert(QStringLiteral("time"), now.toString(Qt::ISODateWithMs));
    record.insert(QStringLiteral("result"), word);
    record.insert(QStringLiteral("version"),
                  version.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(version)));
    record.insert(QStringLiteral("reason"), reason.isEmpty() ? QJsonValue() : QJsonValue(reason));
    const QByteArray json = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    print(m_request.json ? json : markVerdicts(terminalText(line), stdout));
    QString why;
    if (m_log.isOpen() && !m_log.append(json, &why)) {
        // The record is what the line relies on: without it, stop taking units.
        m_console.say(why + QStringLiteral("; no further unit is started"));
        m_status = ExitStatus::RowsFailed;
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
                    .arg(unit->name, DeviceJob::phaseName(job.phase))
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
    m_console.write(markVerdicts(terminalText(QStringLiteral("station: %1 units, %2 passed, %3 failed, %4 "
                                                             "interrupted%5\n")
                                                  .arg(units)
                                                  .arg(m_passed)
                                                  .arg(m_failed)
                                                  .arg(m_interrupted)
                                                  .arg(perUnit)),
                                 stderr));
}
