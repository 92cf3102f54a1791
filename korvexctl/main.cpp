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
#include "keys/KeyTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

namespace {

// Everything one run needs once the command line has been understood.
struct Run
{
    Run(const Request &request, Console &console, SettingsFile settingsFile)
        : request(request), console(console), settingsFile(std::move(settingsFile))
    {
        clock.start();
        setup.clock = &clock;
        setup.trace = request.trace ? &console : nullptr;
    }

    const Request &request;
    Console &console;
    SettingsFile settingsFile;
    PortsSection ports; // read once: the whole run uses this mapping
    JobSetup setup;
    QElapsedTimer clock;
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
            request.json ? report.json() : markVerdicts(report.text(), toStandardError ? stderr : stdout);
        toStandardError ? console.write(bytes) : print(bytes);
        if (counts)
            status = std::max(status, report.verdict.exitStatus());
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
    settings.Baud = run.request.baud.value_or(settings.Baud);
    settings.Parity = run.request.parity.value_or(settings.Parity);
    try {
        lineSettingsFor(settings.Baud, settings.Parity);
    } catch (const KorvexError &error) {
        run.console.say(QDir::toNativeSeparators(run.settingsFile.path()) +
                        QStringLiteral(": Error setting up comm port - ") + error.description());
        return false;
    }
    return true;
}

// The .cfg file read whole and checked: every problem with its line, the
// first ones only when there are many. False when it has any.
bool checkedFile(Run &run, CfgFileRows *file)
{
    const QString &path = run.request.cfgFile;
    QFile standardInput;
    if (path == QLatin1String("-"))
        standardInput.open(stdin, QIODevice::ReadOnly);
    *file = readCfgRows(path, &standardInput);
    if (!file->error.isEmpty()) {
        run.console.say(file->error);
        return false;
    }
    for (const QString &problem : std::as_const(file->problems))
        run.console.say(QStringLiteral("%1: %2").arg(path, problem));
    if (file->moreProblems > 0)
        run.console.say(QStringLiteral("%1: and %2 more problems").arg(path).arg(file->moreProblems));
    return !file->hasProblems();
}

// The rows of the .cfg file, checked whole before any device is opened: any
// line that is no row, any record the window would report, any key name no
// device knows, and a file that would leave rows empty without being asked to.
bool loadRows(Run &run)
{
    const QString &path = run.request.cfgFile;
    CfgFileRows file;
    if (!checkedFile(run, &file))
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
// when -o ends in a separator or names a folder. Empty names: standard output,
// or with --json into each device's object.
std::optional<QStringList> outputFiles(Run &run, const QList<Target> &targets, bool all)
{
    const QString &output = run.request.output;
    if (output.isEmpty() || output == QLatin1String("-")) {
        if ((targets.size() > 1 || all) && !run.request.json) {
            usage(run.console, QStringLiteral("several devices: name a folder for their files with -o"));
            return std::nullopt;
        }
        return QStringList(int(qMax(targets.size(), qsizetype(1))), QString());
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
        const QString file = folder ? QDir(output).filePath(rowsFileName(target)) : output;
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
        run.print(run.request.json ? jsonLine(portObject(port))
                                   : terminalText(oneLine(portLine(port))) + '\n');
    }
    return run.status;
}

// Probes every port "all" may mean and list --probe asks, at once. Returns the
// ports that answered, each with its version; a named port that did not is
// reported as a failed unit.
QList<Target> probe(Run &run, const QList<Target> &ports)
{
    Jobs probes = run.jobsFor(ports, Operation::List);
    runJobs(probes, run.atOnce, run.stop, run.console, &run.interrupted);
    QList<Target> answered;
    const bool listing = run.request.operation == Operation::List;
    for (const auto &asked : probes) {
        if (asked->result.status == SessionResult::Status::Done) {
            answered << asked->target;
            answered.last().version = asked->version;
        } else if (!listing && asked->target.named && !run.interrupted) {
            DeviceJob failed(asked->target, run.request.operation, run.setup);
            failed.result = asked->result;
            failed.started = true;
            run.printReport(reportFor(failed, run.setup.rows, verdictFor(failed)), false);
        }
        // A port that does not answer is what list is there to tell.
        if (listing)
            run.printReport(reportFor(*asked, run.setup.rows, verdictFor(*asked)), false, false);
    }
    return answered;
}

// How many devices at once, and the stop signal: false when not even one
// device can be served.
bool prepareToServe(Run &run, qsizetype devices)
{
    QString why;
    run.atOnce = devicesAtOnce(static_cast<int>(devices), &why);
    if (run.atOnce == 0) {
        run.console.say(why);
        return false;
    }
    if (!run.stop.install(&why)) {
        usage(run.console, why);
        return false;
    }
    return true;
}

int runStation(Run &run)
{
    // As many units at once as the descriptors allow; more wait their turn.
    constexpr int MostUnits = 256;
    if (!prepareToServe(run, MostUnits))
        return ExitStatus::Usage;
    const std::unique_ptr<UnitSource> source = systemUnitSource(run.request);
    Station station(run.request, run.setup, *source, run.console, run.stop, run.atOnce);
    return station.run();
}

// Runs the jobs and reports each. Rows read go to standard output as a .cfg
// file, and the report to standard error; with --json the rows are in the
// report, on standard output, and nowhere else without -o.
int serve(Run &run, const QList<Target> &targets, const std::optional<QStringList> &outputs)
{
    const Jobs jobs = run.jobsFor(targets, run.request.operation);
    runJobs(jobs, run.atOnce, run.stop, run.console, &run.interrupted);
    const bool rowsToStandardOutput = outputs && outputs->first().isEmpty() && !run.request.json;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const DeviceJob &job = *jobs[i];
        const QString file = outputs ? outputs->at(static_cast<int>(i)) : QString();
        // A read that failed anywhere writes nothing: an older file of the
        // same name stays as it was, and no half-read rows pass for a backup.
        QString outputError;
        if (outputs && (!file.isEmpty() || rowsToStandardOutput) && verdictFor(job).ok())
            outputError = writeRows(file, job.deviceRows());
        run.printReport(reportFor(job, run.setup.rows, verdictFor(job, outputError)), rowsToStandardOutput);
    }
    return run.interrupted ? ExitStatus::Interrupted : run.status;
}

// read, write, verify, version and list: the ports named, or those that
// answer when all are asked for.
int runOnPorts(Run &run)
{
    const Request &request = run.request;
    QString why;
    const std::optional<QList<Target>> named = namedTargets(request.ports, run.ports, &why);
    if (!named)
        return usage(run.console, why);
    const bool all = request.ports.contains(QLatin1String("all"), Qt::CaseInsensitive);
    if (request.operation == Operation::List && !request.probe)
        return listPorts(run, *named);
    const bool reading = request.operation == Operation::Read;
    std::optional<QStringList> outputs;
    if (reading && !(outputs = outputFiles(run, *named, all)))
        return ExitStatus::Usage;

    const bool probing = all || request.operation == Operation::List;
    QList<Target> targets = *named;
    if (probing && (all || targets.isEmpty()))
        targets << candidateTargets(run.ports, targets);
    if (!prepareToServe(run, targets.size()))
        return ExitStatus::Usage;
    if (!probing)
        return serve(run, targets, outputs);

    targets = probe(run, targets);
    if (run.interrupted)
        return ExitStatus::Interrupted;
    if (request.operation == Operation::List)
        return targets.isEmpty() ? ExitStatus::NoAnswer : run.status;
    if (targets.isEmpty()) {
        run.console.say(QStringLiteral("no KORVEX answered on any port"));
        return std::max(run.status, ExitStatus::NoAnswer);
    }
    if (reading && !(outputs = outputFiles(run, targets, all)))
        return ExitStatus::Usage;
    return serve(run, targets, outputs);
}

// check: the file alone, no settings, no port.
int checkFile(Run &run)
{
    CfgFileRows file;
    if (!checkedFile(run, &file))
        return ExitStatus::Usage;
    run.print(
        QStringLiteral("%1: no problems; rows %2 named\n")
            .arg(run.request.cfgFile, file.named.none() ? QStringLiteral("none") : rowRanges(file.named))
            .toUtf8());
    return run.status;
}

// keys: the names a .cfg file may use, with their scancodes.
int listKeys(Run &run)
{
    QByteArray text;
    for (const KeySlot &slot : KeyTable) {
        if (*slot.KeyName)
            text += QByteArray(slot.KeyName == QByteArray(" ") ? "(space)" : slot.KeyName).leftJustified(8) +
                    QByteArray::number(slot.Scancode, 16).toUpper().rightJustified(2, '0') + '\n';
    }
    run.print(text);
    return run.status;
}

int runRequest(Run &run)
{
    const Request &request = run.request;
    if (request.operation == Operation::Keys)
        return listKeys(run);
    if (request.operation == Operation::Check)
        return checkFile(run);
    if (!loadSettings(run))
        return ExitStatus::Usage;
    if (!request.cfgFile.isEmpty() && !loadRows(run))
        return ExitStatus::Usage;
    run.setup.timing = request.timing;
    run.setup.waitMs = request.waitMs;
    if (request.operation == Operation::Station)
        return runStation(run);
    return runOnPorts(run);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same settings file as the window, wherever it is kept.
    QCoreApplication::setApplicationName(QStringLiteral("KORVEXConfig"));
    reportFailedWrites();
    Console console;

    ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.error.isEmpty())
        return usage(console, parsed.error);
    Request &request = parsed.request;
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
    // --settings, else $KORVEX_SETTINGS, else the window's own.
    if (request.settingsPath.isEmpty())
        request.settingsPath = qEnvironmentVariable("KORVEX_SETTINGS");
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
