// korvexctl: reads, writes and verifies KORVEX devices from the command line,
// several at once, on the same device code as the window. See --help.

#include "CommandLine.h"
#include "Console.h"
#include "DeviceJob.h"
#include "ListPorts.h"
#include "Report.h"
#include "StopSignal.h"

#include "core/KorvexError.h"
#include "core/MainModel.h"
#include "core/Prompter.h"
#include "core/SettingsFile.h"
#include "core/SettingsLocation.h"
#include "core/StartUp.h"
#include "core/Waiter.h"
#include "device/LineSettings.h"
#include "device/PortMapping.h"
#include "files/CfgFileCommands.h"
#include "files/CfgFormat.h"
#include "files/FileDialogs.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringChecker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "korvexctl: %s\n", qUtf8Printable(text));
}

// Messages of the settings file and of the .cfg reader, each with the line
// of the record it was about while one is being read.
class CollectingPrompter : public Prompter
{
public:
    void message(const QString &text) override
    {
        const qint64 at = line ? line() : 0;
        messages << (at > 0 ? QStringLiteral("line %1: %2").arg(at).arg(text) : text);
    }
    bool confirm(const QString &) override { return false; }
    void beep() override {}

    std::function<qint64()> line;
    QStringList messages;
};

class NoDialogs : public FileDialogs
{
public:
    std::optional<QString> openFileName(const QString &) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString &) override { return std::nullopt; }
};

// Reads the .cfg file exactly as File > Open does; every record the window
// would report, and every key name no device knows, is an error here.
std::optional<CfgRows> loadRows(const QString &path, const SettingsFile &settings)
{
    MainModel model;
    CollectingPrompter prompter;
    KeyStringChecker checker(model.rows(), prompter);
    NoDialogs dialogs;
    EventLoopWaiter waiter;
    CfgFileCommands commands(model, prompter, dialogs, waiter, settings);
    std::array<qint64, RowCount> keyLines{};
    QObject::connect(&model.rows(), &KeyRows::keyNameChanged, &model,
                     [&](int row) { keyLines[static_cast<std::size_t>(row)] = commands.lineNumber(); });
    prompter.line = [&commands] { return commands.lineNumber(); };
    // Row numbers out of range are reported while their line is read.
    const bool complete = commands.openFile(path);

    const CfgRows rows = rowsOf(model.rows());
    for (int i = 0; i < RowCount; ++i) {
        const QByteArray &key = rows[static_cast<std::size_t>(i)].key;
        if (!key.isEmpty() && KeyNameToScancode(key) == 0)
            prompter.messages << QStringLiteral("line %1: unknown key name \"%2\" for row %3")
                                     .arg(keyLines[static_cast<std::size_t>(i)])
                                     .arg(QString::fromLatin1(key))
                                     .arg(i + 1);
    }
    for (const QString &message : std::as_const(prompter.messages))
        say(QStringLiteral("%1: %2").arg(path, message));
    if (!complete || !prompter.messages.isEmpty())
        return std::nullopt;
    return rows;
}

#ifdef Q_OS_WIN
constexpr int LastComPort = 255; // Windows' own numbers
#else
constexpr int LastComPort = 8; // the window's, mapped through [PORTS]
#endif

// n for "COMn" (any case), 0 for anything else.
int comNumber(const QString &port)
{
    bool ok = false;
    const int n = port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? port.mid(3).toInt(&ok) : 0;
    return ok && n >= 1 && n <= LastComPort ? n : 0;
}

Target comTarget(int n, const QString &iniPath)
{
    return Target{QStringLiteral("COM%1").arg(n), serialDevicePath(n, iniPath), n};
}

QString canonical(const QString &device)
{
    const QString resolved = QFileInfo(device).canonicalFilePath();
    return resolved.isEmpty() ? device : resolved;
}

// COM1 to COM8 as the window maps them, then every other serial device the
// system lists. Windows names every port COMn itself: the ports it lists.
QList<Target> candidates(const QString &iniPath)
{
    QList<Target> found;
#ifdef Q_OS_WIN
    for (const SerialPortEntry &entry : availableSerialPorts()) {
        if (const int n = comNumber(entry.portName))
            found << comTarget(n, iniPath);
    }
    return found;
#else
    QStringList seen;
    for (int n = 1; n <= 8; ++n) {
        found << comTarget(n, iniPath);
        seen << canonical(found.last().device);
    }
    for (const SerialPortEntry &entry : availableSerialPorts()) {
        if (!seen.contains(canonical(entry.systemLocation))) {
            found << Target{entry.systemLocation, entry.systemLocation};
            seen << canonical(entry.systemLocation);
        }
    }
    return found;
#endif
}

std::optional<Target> targetFor(const QString &port, const QString &iniPath, QString *why)
{
    if (const int n = comNumber(port))
        return comTarget(n, iniPath);
#ifdef Q_OS_WIN
    *why = QStringLiteral("no port \"%1\": give COM1 ... COM255, or all").arg(port);
    return std::nullopt;
#else
    if (port.startsWith(QLatin1Char('/')))
        return Target{port, port};
    if (QFileInfo::exists(QStringLiteral("/dev/") + port))
        return Target{port, QStringLiteral("/dev/") + port};
    *why = QStringLiteral("no port \"%1\": give COM1 ... COM8, a device path, or all").arg(port);
    return std::nullopt;
#endif
}

// Runs the jobs, each on its own thread, all at once; returns when all ended.
void runAll(std::vector<std::unique_ptr<DeviceJob>> &jobs, bool progressLine, bool *interrupted)
{
    std::vector<std::unique_ptr<QThread>> threads;
    int running = static_cast<int>(jobs.size());
    QEventLoop loop;
    for (auto &job : jobs) {
        threads.emplace_back(QThread::create([&job] { job->run(); }));
        QObject::connect(threads.back().get(), &QThread::finished, &loop, [&] {
            if (--running == 0)
                loop.quit();
        });
    }
    watchStopRequests(&loop, [&] {
        *interrupted = true;
        say(QStringLiteral("stopping each device after its current command"));
        for (auto &job : jobs)
            job->requestStop();
    });
    // A progress line, only for a person watching a terminal.
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        QString line;
        for (const auto &job : jobs)
            line += QStringLiteral("%1 %2/16  ").arg(job->target.port).arg(job->rowsDone.load());
        std::fprintf(stderr, "\r%s\033[K", qUtf8Printable(line.trimmed()));
    });
    if (progressLine && jobs.size() > 0)
        progress.start(250);
    for (auto &thread : threads)
        thread->start();
    if (running > 0)
        loop.exec();
    if (progress.isActive())
        std::fprintf(stderr, "\r\033[K");
    for (auto &thread : threads)
        thread->wait();
}

// The rows read, as the window's Save writes them: to a file, or (empty
// path) to standard output.
bool writeRows(const QString &path, const CfgRows &rows)
{
    KeyRows model;
    putRows(model, rows);
    if (path.isEmpty()) {
        const QByteArray bytes =
            CfgFileBytes(model, CfgWrittenAt(QDateTime::currentDateTime(), QLocale::system()));
        return std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) ==
               std::size_t(bytes.size());
    }
    try {
        saveCfgFile(path, model);
    } catch (const KorvexError &error) {
        say(QStringLiteral("cannot write %1").arg(error.description()));
        return false;
    }
    return true;
}

int usage(const QString &why)
{
    say(why);
    std::fputs("Try 'korvexctl --help'.\n", stderr);
    return ExitStatus::Usage;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const ConsoleText console;
    // The same settings file as the window, wherever it is kept.
    QCoreApplication::setApplicationName(QStringLiteral("KORVEXConfig"));

    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.error.isEmpty())
        return usage(parsed.error);
    const Request &request = parsed.request;
    if (request.help) {
        std::fputs(helpText(), stdout);
        return ExitStatus::Ok;
    }
    if (request.version) {
        std::printf("korvexctl %s\n", qPrintable(ProgramVersion));
        return ExitStatus::Ok;
    }

    const SettingsFile settingsFile(request.settingsPath.isEmpty() ? settingsFilePath()
                                                                   : request.settingsPath);
    CollectingPrompter settingsProblems;
    AppSettings settings = settingsFile.read(settingsProblems);
    for (const QString &problem : std::as_const(settingsProblems.messages))
        say(problem);
    if (request.baud)
        settings.Baud = *request.baud;
    if (request.parity)
        settings.Parity = *request.parity;

    // A bad file stops everything before any byte goes to any device.
    CfgRows rows{};
    if (!request.cfgFile.isEmpty()) {
        const std::optional<CfgRows> loaded = loadRows(request.cfgFile, settingsFile);
        if (!loaded)
            return ExitStatus::Usage;
        rows = *loaded;
    }

    QList<Target> targets;
    bool all = request.ports.isEmpty() || request.ports.contains(QLatin1String("all"), Qt::CaseInsensitive);
    QStringList devicesSeen;
    for (const QString &port : request.ports) {
        if (port.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
            continue;
        QString why;
        const std::optional<Target> target = targetFor(port, settingsFile.path(), &why);
        if (!target)
            return usage(why);
        if (devicesSeen.contains(canonical(target->device)))
            return usage(QStringLiteral("%1 is given twice").arg(target->device));
        devicesSeen << canonical(target->device);
        targets << *target;
    }

#ifdef Q_OS_WIN
    if (request.operation == Request::Operation::List)
        return listPorts(targets, all, request.json);
#endif

    // Settings the port cannot take stop everything before any port is
    // opened, as a bad file does; a session would only report them to nobody
    // and go on with the line as it was.
    try {
        lineSettingsFor(settings.Baud, settings.Parity);
    } catch (const KorvexError &error) {
        say(QStringLiteral("unusable settings (%1): %2").arg(settingsFile.path(), error.description()));
        return ExitStatus::Usage;
    }

    QString stopProblem;
    if (!installStopHandlers(&stopProblem))
        return usage(stopProblem);

    const auto jobsFor = [&](const QList<Target> &list, Request::Operation operation) {
        std::vector<std::unique_ptr<DeviceJob>> jobs;
        for (const Target &target : list)
            jobs.push_back(std::make_unique<DeviceJob>(target, operation, settings, request.timing, rows));
        return jobs;
    };
    bool interrupted = false;

    // list, and -p all: every candidate port is probed at once.
    if (request.operation == Request::Operation::List || all) {
        QList<Target> probed = targets;
        if (all) {
            for (const Target &candidate : candidates(settingsFile.path())) {
                if (!devicesSeen.contains(canonical(candidate.device)))
                    probed << candidate;
            }
        }
        auto probes = jobsFor(probed, Request::Operation::List);
        runAll(probes, console.showsProgressLine(), &interrupted);
        QList<Target> answered;
        for (const auto &probe : probes) {
            if (probe->result.status == SessionResult::Status::Done)
                answered << probe->target;
            if (request.operation == Request::Operation::List) {
                const DeviceReport report = reportFor(*probe, rows);
                std::fputs((request.json ? report.json : report.text).constData(), stdout);
            }
        }
        if (interrupted)
            return ExitStatus::Interrupted;
        if (request.operation == Request::Operation::List)
            return answered.isEmpty() ? ExitStatus::NoAnswer : ExitStatus::Ok;
        if (answered.isEmpty()) {
            say(QStringLiteral("no KORVEX answered on any port"));
            return ExitStatus::NoAnswer;
        }
        targets = answered;
    }

    // Where read puts its files: standard output for one device without -o,
    // a file for one device, a folder of files for several.
    const bool toStdout = request.operation == Request::Operation::Read && request.output.isEmpty();
    QStringList outputFiles;
    if (request.operation == Request::Operation::Read) {
        if (toStdout && targets.size() > 1)
            return usage(QStringLiteral("several devices: name a folder for their files with -o"));
        const bool folder = targets.size() > 1 || QFileInfo(request.output).isDir();
        if (folder && !QDir().mkpath(request.output))
            return usage(QStringLiteral("cannot make the folder %1").arg(request.output));
        for (const Target &target : std::as_const(targets)) {
#ifdef Q_OS_WIN
            // COM3.cfg would be the port itself: Windows keeps COM1 ... COM9
            // (with any extension) for its devices.
            const QString name = QFileInfo(target.port).fileName() + QStringLiteral("-rows.cfg");
#else
            const QString name = QFileInfo(target.port).fileName() + QStringLiteral(".cfg");
#endif
            const QString file = folder ? QDir(request.output).filePath(name) : request.output;
            if (!toStdout && outputFiles.contains(file))
                return usage(QStringLiteral("two devices would both be written to %1").arg(file));
            outputFiles << file;
        }
    }

    auto jobs = jobsFor(targets, request.operation);
    runAll(jobs, console.showsProgressLine(), &interrupted);

    int status = ExitStatus::Ok;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const DeviceJob &job = *jobs[i];
        const bool read = request.operation == Request::Operation::Read;
        const DeviceReport report = reportFor(job, read ? job.deviceRows : rows);
        int jobStatus = report.exitStatus;
        if (read && job.result.status == SessionResult::Status::Done &&
            !writeRows(toStdout ? QString() : outputFiles.at(static_cast<int>(i)), job.deviceRows))
            jobStatus = std::max(jobStatus, ExitStatus::RowsFailed);
        std::fputs((request.json ? report.json : report.text).constData(), toStdout ? stderr : stdout);
        status = std::max(status, jobStatus);
    }
    std::fflush(stdout);
    return interrupted ? ExitStatus::Interrupted : status;
}
