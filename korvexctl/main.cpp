// korvexctl: reads, writes and verifies KORVEX devices from the command line,
// several at once, on the same device code as the window. See --help.

#include "CommandLine.h"
#include "Console.h"
#include "DeviceJob.h"
#include "Report.h"
#include "Runner.h"
#include "Station.h"
#include "StopSignal.h"
#include "Targets.h"

#include "core/KorvexError.h"
#include "core/SettingsFile.h"
#include "core/SettingsLocation.h"
#include "core/Version.h"
#include "device/LineSettings.h"
#include "files/CfgFormat.h"
#include "files/CfgReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

using Operation = Request::Operation;

// Everything one run needs once the command line has been understood.
struct Run
{
    Run(const Request &request, Console &console, SettingsFile settingsFile)
        : request(request), console(console), settingsFile(std::move(settingsFile))
    {}

    const Request &request;
    Console &console;
    SettingsFile settingsFile;
    PortsSection ports; // read once: the whole run uses this mapping
    JobSetup setup;
    StopSignal stop;
    bool interrupted = false;
    int atOnce = 1;
    int status = ExitStatus::Ok;

    Jobs jobsFor(const QList<Target> &targets, Operation operation) const
    {
        Jobs jobs;
        for (const Target &target : targets)
            jobs.push_back(std::make_unique<DeviceJob>(target, operation, setup));
        return jobs;
    }
    // Prints to standard output, or notes that it could not.
    void print(const QByteArray &bytes)
    {
        QString why;
        if (!writeStandardOutput(bytes, &why)) {
            console.say(why);
            status = std::max(status, ExitStatus::RowsFailed);
        }
    }
    // counts: the device's status is part of the run's.
    void printReport(const DeviceReport &report, bool toStandardError, bool counts = true)
    {
        const QByteArray bytes =
            request.json ? report.json
                         : markVerdicts(terminalText(report.text), toStandardError ? stderr : stdout);
        toStandardError ? console.write(bytes) : print(bytes);
        if (counts)
            status = std::max(status, report.exitStatus);
    }
};

int usage(Console &console, const QString &why)
{
    console.say(why);
    console.write("Try 'korvexctl --help'.\n");
    return ExitStatus::Usage;
}

// The settings for this run: the file's, which must be readable because its
// [PORTS] section says which device each COMn is, then --baud and --parity;
// settings the window would refuse are refused here in its words.
bool loadSettings(Run &run)
{
    const QString &given = run.request.settingsPath;
    const QFileInfo info(given);
    if (!given.isEmpty() && !info.exists() && !info.isSymLink()) {
        run.console.say(QStringLiteral("%1: no such settings file").arg(given));
        return false;
    }
    const SettingsRead read = run.settingsFile.read();
    if (!read.unreadable.isEmpty()) {
        run.console.say(read.unreadable + QStringLiteral(": the settings file must be readable, since its "
                                                         "[PORTS] section says which device each COMn is"));
        return false;
    }
    // A line that may have meant to map a COMn would otherwise leave that COMn
    // on whatever the default gives, maybe another unit on the line.
    for (const QString &problem : read.ports.problems)
        run.console.say(problem);
    if (!read.ports.problems.isEmpty()) {
        run.console.say(QStringLiteral("nothing was sent: mend the settings file, whose [PORTS] section says "
                                       "which device each COMn is"));
        return false;
    }
    run.ports = read.ports;
    AppSettings &settings = run.setup.settings;
    settings = read.settings;
    if (run.request.baud)
        settings.Baud = *run.request.baud;
    if (run.request.parity)
        settings.Parity = *run.request.parity;
    try {
        lineSettingsFor(settings.Baud, settings.Parity);
    } catch (const KorvexError &error) {
        run.console.say(QDir::toNativeSeparators(run.settingsFile.path()) +
                        QStringLiteral(": Error setting up comm port - ") + error.description());
        return false;
    }
    return true;
}

// The rows of the .cfg file, checked whole before any device is opened: any
// record the window would report, any key name no device knows, and a file
// that would leave rows empty without being asked to.
bool loadRows(Run &run)
{
    const QString &path = run.request.cfgFile;
    QFile standardInput;
    if (path == QLatin1String("-"))
        standardInput.open(stdin, QIODevice::ReadOnly);
    const CfgFileRows file = readCfgRows(path, &standardInput);
    if (!file.error.isEmpty()) {
        run.console.say(file.error);
        return false;
    }
    for (const QString &problem : file.problems)
        run.console.say(QStringLiteral("%1: %2").arg(path, problem));
    if (!file.problems.isEmpty())
        return false;
    if (file.named.none()) {
        run.console.say(QStringLiteral("%1 names no rows").arg(path));
        return false;
    }
    if (file.named.count() < RowCount && !run.request.partial) {
        run.console.say(QStringLiteral("%1 names only rows %2; the device's other rows would be compared "
                                       "with, or written as, empty rows. Name all sixteen, or give --partial "
                                       "to write and verify only these")
                            .arg(path, rowRanges(file.named)));
        return false;
    }
    run.setup.rows = file.rows;
    run.setup.which = run.request.partial ? file.named : AllRows;
    return true;
}

// Where read puts each device's rows: standard output for one device without
// -o, a file for one device, a folder of files for several, for -p all, or
// when -o ends in a separator or names a folder. Empty names: standard output.
std::optional<QStringList> outputFiles(Run &run, const QList<Target> &targets, bool all)
{
    const QString &output = run.request.output;
    if (output.isEmpty() || output == QLatin1String("-")) {
        if (targets.size() > 1 || all) {
            usage(run.console, QStringLiteral("several devices: name a folder for their files with -o"));
            return std::nullopt;
        }
        return QStringList{QString()};
    }
    const QFileInfo info(output);
    const bool folder = output.endsWith(QLatin1Char('/')) || output.endsWith(QDir::separator()) ||
                        info.isDir() || targets.size() > 1 || all;
    if (!folder && info.exists() && !info.isFile()) {
        usage(run.console,
              QStringLiteral("%1 is not a regular file: the rows are not written there").arg(output));
        return std::nullopt;
    }
    if (folder && !QDir().mkpath(output)) {
        usage(run.console, QStringLiteral("cannot make the folder %1").arg(output));
        return std::nullopt;
    }
    QStringList files;
    for (const Target &target : targets) {
#ifdef Q_OS_WIN
        // Windows keeps COM1 ... COM9 as device names whatever follows a dot:
        // COM3.cfg would be the port itself.
        const QString name = target.port + QStringLiteral("-rows.cfg");
#else
        const QString name = QFileInfo(target.port).fileName() + QStringLiteral(".cfg");
#endif
        const QString file = folder ? QDir(output).filePath(name) : output;
        if (files.contains(file)) {
            usage(run.console, QStringLiteral("two devices would both be written to %1").arg(file));
            return std::nullopt;
        }
        files << file;
    }
    return files;
}

// Writes a device's rows where they go; why not, empty when they were.
QString writeRows(const QString &file, const KeyOverrides &rows)
{
    QString why;
    if (file.isEmpty()) {
        writeStandardOutput(CfgFileBytes(rows), &why);
        return why;
    }
    try {
        saveCfgFile(file, rows);
    } catch (const KorvexError &error) {
        why = QStringLiteral("cannot write ") + error.description();
    }
    return why;
}

// list without --probe: the ports there are, not one byte written to any.
int listPorts(Run &run, const QList<Target> &named)
{
    const QList<Target> existing = existingPorts(run.ports);
    for (Target port : named.isEmpty() ? existing : named) {
        // A port named is described as the system describes it, when it has it.
        for (const Target &known : existing) {
            if (canonicalDevice(known.device) == canonicalDevice(port.device))
                port.description = known.description;
        }
        run.print(run.request.json ? portJson(port) : terminalText(portLine(port)));
    }
    return run.status;
}

// Probes every port "all" may mean and list --probe asks, at once. Returns the
// ports that answered; a named port that did not is reported as a failed unit.
QList<Target> probe(Run &run, const QList<Target> &ports)
{
    Jobs probes = run.jobsFor(ports, Operation::List);
    runJobs(probes, run.atOnce, run.stop, run.console, &run.interrupted);
    QList<Target> answered;
    const bool listing = run.request.operation == Operation::List;
    for (const auto &asked : probes) {
        if (asked->result.status == SessionResult::Status::Done) {
            answered << asked->target;
        } else if (!listing && asked->target.named && !run.interrupted) {
            DeviceJob failed(asked->target, run.request.operation, run.setup);
            failed.result = asked->result;
            failed.started = true;
            run.printReport(reportFor(failed, run.setup.rows), false);
        }
        // A port that does not answer is what list is there to tell.
        if (listing)
            run.printReport(reportFor(*asked, run.setup.rows), false, false);
    }
    return answered;
}

int runRequest(Run &run)
{
    const Request &request = run.request;
#ifdef Q_OS_WIN
    // Units show themselves by stable names in a folder only on Linux (udev).
    if (request.operation == Operation::Station)
        return usage(run.console, QStringLiteral("station: not available on Windows"));
#endif
    if (!loadSettings(run))
        return ExitStatus::Usage;
    if (!request.cfgFile.isEmpty() && !loadRows(run))
        return ExitStatus::Usage;
    run.setup.timing = request.timing;
    run.setup.waitMs = request.waitMs;

    QString why;
    if (request.operation == Operation::Station) {
        // As many units at once as the descriptors allow; more wait their turn.
        constexpr int MostUnits = 256;
        const int atOnce = devicesAtOnce(MostUnits, &why);
        if (atOnce == 0) {
            run.console.say(why);
            return ExitStatus::Usage;
        }
        if (!run.stop.install(&why))
            return usage(run.console, why);
        Station station(request, run.setup, run.console, run.stop, atOnce);
        return station.run();
    }

    const std::optional<QList<Target>> named = namedTargets(request.ports, run.ports, &why);
    if (!named)
        return usage(run.console, why);
    const bool all = request.ports.contains(QLatin1String("all"), Qt::CaseInsensitive);
    if (request.operation == Operation::List && !request.probe)
        return listPorts(run, *named);

    QList<Target> targets = *named;
    std::optional<QStringList> outputs;
    if (request.operation == Operation::Read && !(outputs = outputFiles(run, targets, all)))
        return ExitStatus::Usage;

    const bool probing = all || request.operation == Operation::List;
    QList<Target> probed = targets;
    if (probing && (all || targets.isEmpty()))
        probed << candidateTargets(run.ports, targets);
    run.atOnce = devicesAtOnce(static_cast<int>(probing ? probed.size() : targets.size()), &why);
    if (run.atOnce == 0) {
        run.console.say(why);
        return ExitStatus::Usage;
    }
    if (!run.stop.install(&why))
        return usage(run.console, why);

    if (probing) {
        targets = probe(run, probed);
        if (run.interrupted)
            return ExitStatus::Interrupted;
        if (request.operation == Operation::List)
            return targets.isEmpty() ? ExitStatus::NoAnswer : run.status;
        if (targets.isEmpty()) {
            run.console.say(QStringLiteral("no KORVEX answered on any port"));
            return std::max(run.status, ExitStatus::NoAnswer);
        }
        if (request.operation == Operation::Read && !(outputs = outputFiles(run, targets, all)))
            return ExitStatus::Usage;
    }

    const Jobs jobs = run.jobsFor(targets, request.operation);
    runJobs(jobs, run.atOnce, run.stop, run.console, &run.interrupted);

    // Rows read go to standard output as a .cfg file, and the report to
    // standard error; with --json the rows are in the report, on standard
    // output, and nowhere else.
    const bool rowsToStandardOutput = outputs && outputs->first().isEmpty() && !request.json;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const DeviceJob &job = *jobs[i];
        // A read that failed anywhere writes nothing: an older file of the
        // same name stays as it was, and no half-read rows pass for a backup.
        QString outputError;
        const bool rowsGoSomewhere = outputs && (!outputs->at(int(i)).isEmpty() || rowsToStandardOutput);
        if (rowsGoSomewhere && readIsComplete(job))
            outputError = writeRows(outputs->at(static_cast<int>(i)), job.deviceRows());
        run.printReport(reportFor(job, run.setup.rows, outputError), rowsToStandardOutput);
    }
    return run.interrupted ? ExitStatus::Interrupted : run.status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same settings file as the window, wherever it is kept.
    QCoreApplication::setApplicationName(QStringLiteral("KORVEXConfig"));
    reportBrokenPipes();
    Console console;

    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.error.isEmpty())
        return usage(console, parsed.error);
    const Request &request = parsed.request;
    console.setQuiet(request.quiet);
    QString why;
    if (request.help || request.version) {
        const QByteArray text = request.help
                                    ? helpText(request.helpTopic)
                                    : QByteArrayLiteral("korvexctl ") + ProgramVersion.toLatin1() + '\n';
        if (writeStandardOutput(text, &why))
            return ExitStatus::Ok;
        console.say(why);
        return ExitStatus::RowsFailed;
    }

    Run run(request, console,
            request.settingsPath.isEmpty() ? programSettingsFile() : SettingsFile(request.settingsPath));
    const int status = runRequest(run);
    // Whatever is still buffered must reach its reader, or the run failed.
    if (!writeStandardOutput({}, &why)) {
        console.say(why);
        return std::max(status, int(ExitStatus::RowsFailed));
    }
    return status;
}
