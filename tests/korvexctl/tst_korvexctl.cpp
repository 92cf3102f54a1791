#include "CommandLine.h"
#include "Report.h"
#include "SimDevices.h"
#include "Targets.h"
#include "core/SettingsFile.h"
#include "files/CfgFormat.h"

#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// A finished job, made by results, and what each rendering makes of its one
// verdict: the text a terminal shows, and the JSON's failure, exit and error,
// both as regular expressions.
struct FinishedJob
{
    Operation operation;
    std::function<void(DeviceJob &job)> results;
    const char *text, *json;
    QString outputError{}; // why the rows read were not written
};
// What a run of korvexctl must leave besides its output, and one way to run it:
// no device got a byte (as after any refusal, status 2); OLD still holds what
// it held; FIFO is still a pipe; DIR/new/COM1.cfg is a .cfg file; COM1 was sent
// no write of row 3; KORVEX_SETTINGS names the settings, not --settings.
enum Check { Quiet, OldKept, FifoKept, NewFolderHoldsRows, OnlyRows1And2Written, SettingsInEnvironment };
using Checks = QList<Check>;
using Variable = std::pair<QString, QString>; // an environment variable's name and value
// A korvexctl run: its words (in capitals, files commands() makes), its exit
// status, what it prints on standard output and error as regular expressions
// (empty: nothing), and what it must leave besides; standard output to a file
// and input from one of commands()'s, when named.
struct Command
{
    const char *args;
    int exit;
    const char *out, *err;
    Checks checks{};
    const char *toFile = "", *fromFile = "";
};

class TestKorvexctl : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        // What korvexctl refuses before it opens anything, in its words; ''
        // stands for an empty word. (That a refusal ends the run with status
        // 2 and sends nothing: commands, "a command nearly right is named".)
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("refusal");
        const std::pair<const char *, const char *> rows[] = {
            {"-b 19200 version -p COM1", ""},
            {"check in.cfg", ""},
            {"", "no command given (list, read, write, verify, version, station, check, keys or help)"},
            {"write -p COM1", "write wants one .cfg file"},
            {"--baud 0 version -p COM1", "--baud wants a rate such as 9600, not \"0\""},
            {"read --partial -p COM1", "--partial is for write, verify, station only"},
            {"--wait 0 read -p COM1", "--wait wants the seconds to wait, 1 to 86400, not \"0\""},
            {"--count 0 station in.cfg", "--count wants a number of units, not \"0\""},
            {"--settings '' version -p COM1", "--settings wants a file; an empty name is none"},
            {"--settings= version -p COM1", "--settings wants a file; an empty name is none"},
            {"--porrt COM1 read", "unknown option \"--porrt\"; did you mean \"--port\"?"},
            {"station -p COM1 in.cfg", "-p, --port is for list, read, write, verify, version only"},
            {"read", "read wants a port: -p COM1 ... COM255, a device path, or -p all"},
            {"keys in.cfg", "keys takes no file (\"in.cfg\")"},
            {"read -p COM01", "no port \"COM01\": give COM1 ... COM255, a device path, or all"},
            // One device by two names: a second thread would write it too.
            {"version -p /dev/null -p /dev/../dev/null", "/dev/../dev/null is given twice"},
        };
        for (const auto &[line, refusal] : rows)
            QTest::newRow(*line ? line : "no command")
                << QString::fromLatin1(line) << QString::fromUtf8(refusal);
    }
    void commandLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, refusal);
        QStringList words = (u"korvexctl "_s + line).split(u' ', Qt::SkipEmptyParts);
        words.replaceInStrings(u"''"_s, QString());
        ParsedCommandLine parsed = parseCommandLine(words);
        if (parsed.error.isEmpty()) // the ports are named once the settings are read
            namedTargets(parsed.request.ports, PortsSection(), &parsed.error);
        QCOMPARE(parsed.error, refusal);
    }

    void verdicts_data()
    {
        QTest::addColumn<FinishedJob>("finished");
        const auto row = [](const char *name, const FinishedJob &finished) {
            QTest::newRow(name) << finished;
        };
        using S = SessionResult::Status;
        using K = RowOutcome::Kind;
        const auto rows = [](K kind, RowSet which = AllRows) {
            return [=](DeviceJob &job) {
                for (int i = 0; i < RowCount; ++i)
                    job.result.rows[std::size_t(i)].kind = which.test(std::size_t(i)) ? kind : K::Match;
            };
        };
        // clang-format off
        row("every row refused: the verdict and the rows agree", {Operation::Write, [](DeviceJob &job) {
                for (RowOutcome &row : job.sent.rows)
                    row = {K::NotAcknowledged, {}, {}, 0, "\x15" "0", false};
            },
            "^COM1: write FAILED, 0/16 rows verified\n(  row \\d+: not acknowledged \\(\\{15\\}0\\)\n){16}$",
            "\"error\":\"rows 1-16 not acknowledged\",\"exit\":1,\"failure\":\"not-acknowledged\""});
        row("a flooding device: its row quoted in part", {Operation::Read, [=](DeviceJob &job) {
                rows(K::Read)(job);
                job.result.rows[1] = {K::Cut, "A", "{0D}" + QByteArray(65536, 'x'), 0x1C, {}, false};
            },
            "^COM1: read FAILED, 15/16 rows answered\n"
            "  row 2: cut: the device sent 65537 units, \\{0D\\}x{23}\\.\\.\\.; a row holds 6\n$",
            "\"error\":\"row 2 cut\",\"exit\":1,\"failure\":\"cut\""});
        row("a row that differs, among ones that match", {Operation::Verify, rows(K::KeyMismatch, RowSet(1)),
            "^COM1: verify FAILED, 15/16 rows match\n"
            "  row 1: device has no key, no string; file has no key, no string\n$",
            "\"error\":\"row 1 differs\",\"exit\":1,\"failure\":\"rows-differ\""});
        row("rows read that could not be written", {Operation::Read, rows(K::Read),
            "^COM1: read FAILED: cannot write x\n$", "\"exit\":1,\"failure\":\"file-problem\"",
            u"cannot write x"_s});
        row("a version interrupted: no rows to count", {Operation::Version,
            [](DeviceJob &job) { job.result.status = S::Interrupted; }, "^COM1: version interrupted\n$",
            "\"error\":null,\"exit\":130,\"failure\":\"interrupted\""});
        row("a missing port", {Operation::Verify, [](DeviceJob &job) {
                job.result.status = S::PortFailed;
                job.result.failure = KorvexError::Kind::PortMissing;
                job.result.message = u"COM1 does not exist."_s;
            },
            "^COM1: verify FAILED: COM1 does not exist.\n$", "\"exit\":4,\"failure\":\"port-missing\""});
        // A device's text cannot forge a line, nor reach a terminal's C1
        // controls; JSON leaves the line end out.
        row("a version with a line end and C1 inside", {Operation::Version,
            [](DeviceJob &job) { job.result.version = "K\nCOM2: fake\x9B\r\n"; },
            "^COM1: KORVEX, version K\\{0A\\}COM2: fake\\{9B\\}\n$",
            "\"version\":\"K\\\\nCOM2: fake\\\\u009b\""});
        // clang-format on
    }
    void verdicts()
    {
        QFETCH(FinishedJob, finished);
        DeviceJob job(Target{u"COM1"_s, u"COM1"_s, 1, true, {}, {}}, finished.operation, JobSetup());
        job.started = true;
        job.result.status = SessionResult::Status::Done;
        finished.results(job);
        const DeviceReport report = reportFor(job, {}, verdictFor(job, finished.outputError));
        QVERIFY2(matches(QString::fromUtf8(finished.text), report.text()), report.text().constData());
        QVERIFY2(matches(QString::fromUtf8(finished.json), report.json()), report.json().constData());
    }

    void fourDevicesAtOnce()
    {
        // One absent, one that acknowledges rows but does not store them,
        // one that answers slowly: the others are unaffected, each gets its
        // own status, the worst wins; reply timing waits for the slow one.
        // Its delays stay half the protocol's waits short, so a loaded
        // machine does not push it over; the exact limits are the fake-time
        // tests' business.
        Devices devices(
            {{}, u"--ack-no-store"_s, u"--silent"_s, u"--delay-ms z=150 --delay-ms R=50 --delay-ms W=50"_s});
        QVERIFY(devices.ok);
        const auto run = [&](const QString &line) {
            return devices.run((line + u" -p COM1 -p COM2 -p COM3 -p COM4"_s).split(u' '));
        };
        const QString cfg = devices.file(u"rows.cfg"_s, rows());
        // The write makes the devices hold the rows; how its lines render each
        // verdict: verdicts, and a unit's rows that differ: tst_station.
        QCOMPARE(run(u"write "_s + cfg).exit, 3);
        const Run verify = run(u"verify --json "_s + cfg);
        QCOMPARE(verify.exit, 3);
        QStringList seen; // port, each row verified (y/n) or not tried (-), error
        for (const QByteArray &json : verify.out.trimmed().split('\n')) {
            const QJsonObject device = QJsonDocument::fromJson(json).object();
            QString rows;
            for (const QJsonValue row : device[u"rows"_s].toArray())
                rows += row[u"verified"_s].isNull() ? u'-' : row[u"verified"_s].toBool() ? u'y' : u'n';
            seen << device[u"port"_s].toString() + u' ' + rows + u' ' + device[u"error"_s].toString();
        }
        QCOMPARE(seen,
                 (QStringList{u"COM1 yyyyyyyyyyyyyyyy "_s, u"COM2 nnyynyyyyyyyyyyn rows 1-2, 5, 16 differ"_s,
                              u"COM3 ---------------- KORVEX not responsing on port COM3"_s,
                              u"COM4 yyyyyyyyyyyyyyyy "_s}));

        // One file per device that answered, a .cfg file that verifies against
        // that device.
        const QString folder = devices.file(u"read"_s);
        QCOMPARE(run(u"read -o "_s + folder).exit, 3);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 (QStringList{u"COM1.cfg"_s, u"COM2.cfg"_s, u"COM4.cfg"_s}));
        // (Each file's header: the commands row "-o ending in a slash".)
        for (const QString &com : {u"COM1"_s, u"COM2"_s, u"COM4"_s})
            QCOMPARE(devices.run(u"verify %1/%2.cfg -p %2"_s.arg(folder, com).split(u' ')).exit, 0);
    }

    void commands_data()
    {
        // COM1 a device, COM2 nothing, COM3 a device that refuses every row,
        // COM4 one whose seventh row answers late, COM5 one whose second row
        // is longer than a row can be, COM6 one that hangs up after twelve
        // commands; the words in capitals, files (see commands()). What it
        // prints on standard output and error, as regular expressions (empty:
        // nothing), and what the run must leave besides.
        QTest::addColumn<Command>("command");
        const auto add = [](const char *name, const Command &command) { QTest::newRow(name) << command; };
        // clang-format off
        add("version, with KORVEX_SETTINGS standing for --settings", {"version -p COM1", 0,
            "^COM1 \\S+: KORVEX, version KORVEX 2.14\n$", "", {SettingsInEnvironment}});
        add("-v: every byte, on standard error", {"version -p COM1 -v", 0, "^COM1 \\S+: KORVEX",
            "COM1 \\d+\\.\\d{3} -> z\nCOM1 \\d+\\.\\d{3} <- \\{E8\\}\n"});
        add("check: a file without any port", {"check PART", 0, "part.cfg: no problems; rows 1-2 named\n$",
            "", {Quiet, SettingsInEnvironment}});
        add("keys: the names a file may use", {"keys", 0, "\nF2      06\n", "", {SettingsInEnvironment}});
        // A device path that is no serial port, named with the settings it
        // was given, the parity asked for among them.
        add("--parity reaches a device path that is no serial port", {"version -p /dev/null --parity odd", 4,
            "^/dev/null: version FAILED: /dev/null does not accept the settings 9600,O,8,2 ", ""});
        add("a regular file is no port", {"version -p ROWS", 4, "\\S+ is not a serial device\\.\n$", ""});
        add("list: the ports there are, not a byte sent",
            {"list", 0, "^COM1 /dev/pts/\\d+\nCOM2 /dev/pts/\\d+\n", "", {Quiet}});
        add("list --probe: none answered", {"list --probe -p COM2", 3, "^COM2 \\S+: no KORVEX", ""});
        add("list --probe: each given port asked", {"list --probe -p COM1 -p COM2 --json", 0,
            "^\\{.*\"answered\":true.*\"port\":\"COM1\".*\\}\n\\{.*\"answered\":false.*\"port\":\"COM2\"",
            ""});
        add("--json, without -o: each device's rows in its object, nothing else",
            {"read -p COM1 -p COM3 --json", 0,
            "^\\{\"device\"[^\n]*\"port\":\"COM1\",\"rows\":\\[\\{\"key\":\"\",\"outcome\":\"read\","
            "\"row\":1,[^\n]*\\}\n\\{\"device\"[^\n]*\"port\":\"COM3\",\"rows\":\\[\\{[^\n]*\\}\n$", ""});
        add("read to standard output, the result on standard error", {"read -p COM1", 0,
            "^#Moravelle KORVEX configuration file\r\n", "^COM1 \\S+: read ok, 16/16 rows answered\n$"});
        add("standard output that cannot be written is a failed read", {"read -p COM1", 1, "",
            "^COM1 \\S+: read FAILED: cannot write standard output: No space left on device\n$", {},
            "/dev/full"});
        add("a late reply: no file, later rows not trusted", {"read -p COM4 -o OLD", 1,
            "^COM4 \\S+: read FAILED, 6/16 rows answered\n  row 7: no reply\n  row 8: not trusted: ", "",
            {OldKept}});
        // (Its text: verdicts, "a flooding device".)
        add("a row longer than six units is cut: a failed read", {"read -p COM5 -o DIR/cut.cfg --json", 1,
            "\"ok\":false.*\"outcome\":\"cut\",\"row\":2,\"string\":\"AOVERLONG\"", ""});
        add("a file that cannot be written: not ok in JSON", {"read -p COM1 -o ROWS/in.cfg --json", 1,
            "\"error\":\"cannot write \\S+/in.cfg: .*\",\"ok\":false", ""});
        add("-o a pipe: left a pipe", {"read -p COM1 -o FIFO", 2, "", "is not a regular file", {FifoKept}});
        add("-o ending in a slash: a new folder", {"read -p COM1 -o DIR/new/", 0,
            "^COM1 \\S+: read ok, 16/16 rows answered\n$", "", {NewFolderHoldsRows}});
        add("refused rows, with the refusal as sent", {"write ROWS -p COM3", 1,
            "^COM3 \\S+: write FAILED, 0/16 rows verified\n  row 1: not acknowledged \\(\\{15\\}0\\)\n", ""});
        add("a hang-up mid-write says what the device holds", {"write ROWS -p COM6", 4,
            "^COM6 \\S+: write FAILED: COM6 \\(\\S+\\) stopped working.* The device acknowledged 6 of 16 "
            "rows \\(and may hold the one after\\): it is incomplete\\.\n$", ""});
        add("-p all: a mapped port that does not answer is a failed unit",
            {"version -p all", 3, "COM2 \\S+: version FAILED: KORVEX not responsing on port COM2\n", ""});
        add("--partial writes and verifies the rows named only, a file from standard input",
            {"write - --partial -p COM1", 0,
            "^COM1 \\S+: write ok, 2/2 rows verified \\(rows 1-2; the others were left as they are\\)\n$", "",
            {OnlyRows1And2Written}, "", "PART"});
        add("a file naming some rows wants --partial",
            {"write PART -p COM1", 2, "", "names only rows 1-2; .* give --partial"});
        add("--watch a file: refused", {"station ROWS --watch ROWS", 2, "", "is not a folder"});
        add("a file naming no rows", {"verify EMPTY -p COM1", 2, "", "names no rows\n$"});
        // Every fault of the file with its line, before any device is opened
        // (each problem's words: tst_cfgfile).
        add("a bad file reaches no device", {"write BAD -p COM1", 2, "",
            "^korvexctl: \\S+: line 2: row number 17 [^\n]+\nkorvexctl: \\S+: line 3: unknown key [^\n]+\n"
            "korvexctl: \\S+: line 4: \\{c7\\} only[^\n]+\nkorvexctl: \\S+: line 5: not a row:[^\n]+\n$"});
        add("a .cfg that is a pipe is refused, not waited on",
            {"verify FIFO -p COM1", 2, "", "this is a device or pipe, not a file"});
        add("a command nearly right is named", {"writ ROWS -p COM1", 2, "",
            "^korvexctl: unknown command \"writ\"; did you mean \"write\"\\?\nTry 'korvexctl --help'\\.\n$"});
        add("one command's help", {"help verify", 0, "^Usage: korvexctl verify .*--partial", "", {Quiet}});
        add("several devices to standard output", {"read -p COM1 -p COM2", 2, "", "name a folder"});
        add("--settings missing", {"--settings DIR/none.ini version -p COM1", 2, "", "no such settings"});
        // A folder, a pipe or NUL bytes: the same refusal, iniReadProblem's
        // words (tst_core).
        add("--settings a link to itself", {"--settings LOOP version -p COM1", 2, "", "symbolic links"});
        add("a [PORTS] line that cannot be read: refused, with its line",
            {"--settings PORTSINI version -p COM1", 2, "",
            "korvexctl: \\S+: line \\d+: \"COM05=/dev/null\": \"COM05\" is no port"});
        add("settings the window refuses, in its words", {"--settings FASTINI version -p COM1", 2, "",
            "Error setting up comm port - invalid port settings \"fast,Q,8,2\": "
            "baud rate must be a positive whole number\n$"});
        add("--baud reaches the line: noise to a device at 9600",
            {"version -p COM1 --baud 19200", 3, "version FAILED: KORVEX not responsing on port COM1\n$", ""});
        // clang-format on
    }
    void commands()
    {
        QFETCH(Command, command);
        QStringList args = QString::fromLatin1(command.args).split(u' ');
        const Checks &checks = command.checks;
        Devices devices({QString(), u"--silent"_s, u"--nak"_s, u"--late-row 6"_s,
                         u"--long-row 1 --state STATE"_s, u"--hangup-after 12"_s});
        QVERIFY(devices.ok);
        const QString fifo = devices.file(u"fifo"_s);
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(devices.file(u"loop"_s), devices.file(u"loop"_s)));
        const std::map<QString, QString> files = {
            {u"ROWS"_s, devices.file(u"rows.cfg"_s, rows())},
            {u"PART"_s, devices.file(u"part.cfg"_s, "01\tF1\tX\n02\tF2\tY\n")},
            {u"EMPTY"_s, devices.file(u"empty.cfg"_s, "# nothing\r\n\r\n")},
            {u"BAD"_s, devices.file(u"in.cfg"_s, "01\tF1\tok\n17\tA\n03\tQQ\n04\tA\t{c7}\n1e1\tA\n")},
            {u"OLD"_s, devices.file(u"old.cfg"_s, "old rows\n")},
            {u"FASTINI"_s, devices.file(u"bad.ini"_s, "[COMSETTINGS]\nBAUD=fast\nPARITY=Q\n")},
            {u"PORTSINI"_s, devices.file(u"ports.ini"_s, readFile(devices.ini()) + "COM05=/dev/null\n")},
            {u"FIFO"_s, fifo},
            {u"LOOP"_s, devices.file(u"loop"_s)},
            {u"DIR"_s, devices.dir.path()}};
        for (const auto &[token, path] : files)
            args.replaceInStrings(token, path);
        devices.settingsInEnvironment = checks.contains(SettingsInEnvironment);
        const Run run =
            devices.run(args, {}, QString::fromLatin1(command.toFile),
                        *command.fromFile ? files.at(QString::fromLatin1(command.fromFile)) : QString());

        QCOMPARE(run.exit, command.exit);
        QVERIFY2(matches(QString::fromUtf8(*command.out ? command.out : "^$"), run.out), run.out.constData());
        QVERIFY2(matches(QString::fromUtf8(*command.err ? command.err : "^$"), run.err), run.err.constData());
        if (checks.contains(Quiet) || command.exit == 2) // a refusal sends nothing
            QVERIFY(devices.quiet());
        if (checks.contains(OldKept))
            QCOMPARE(readFile(files.at(u"OLD"_s)), "old rows\n"_ba);
        if (checks.contains(FifoKept))
            QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        if (checks.contains(NewFolderHoldsRows))
            QVERIFY(readFile(devices.file(u"new/COM1.cfg"_s)).startsWith(CfgHeaderLine));
        if (checks.contains(OnlyRows1And2Written)) {
            // Once its last read has come through, the log holds the rest.
            QTRY_VERIFY(devices.sims[0]->log().contains("<- /R1[NUL]\nkorvex-sim: -> "));
            QVERIFY(devices.sims[0]->log().contains("<- /W1") && !devices.sims[0]->log().contains("<- /W2"));
        }
    }

    void oneRunOneDevice_data()
    {
        // While a write runs, COM1's link is made to lead to another device,
        // or the settings file is saved with COM1 mapped to it: the verify
        // after the write checks the device that was written, or refuses.
        QTest::addColumn<bool>("link");
        QTest::newRow("the link replaced: refused") << true;
        QTest::newRow("the settings file rewritten: no effect") << false;
    }
    void oneRunOneDevice()
    {
        QFETCH(bool, link);
        Devices devices({QString(), QString()});
        QVERIFY(devices.ok);
        const QString unit = devices.file(u"unit"_s);
        QVERIFY(QFile::link(devices.sims[0]->path(), unit));
        QVERIFY(WriteINI(devices.ini(), u"PORTS"_s, u"COM1"_s, unit));
        auto process = devices.start({u"write"_s, devices.file(u"rows.cfg"_s, rows()), u"-p"_s, u"COM1"_s});
        QTRY_VERIFY_WITH_TIMEOUT(devices.sims[0]->log().contains("<- /W0"), WaitMs);
        const QString decoy = devices.sims[1]->path();
        QVERIFY(link ? QFile::remove(unit) && QFile::link(decoy, unit)
                     : WriteINI(devices.ini(), u"PORTS"_s, u"COM1"_s, decoy));
        QVERIFY(process->waitForFinished(WaitMs));
        const QByteArray out = process->readAllStandardOutput();
        QCOMPARE(process->exitCode(), link ? 4 : 0);
        QVERIFY2(out.contains(link ? "COM1 now leads elsewhere" : "write ok, 16/16 rows verified"),
                 out.constData());
        QVERIFY(!devices.sims[1]->log().contains("<-"));
    }

    void onATerminal_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<Variable>("environment"); // on top of TERM=xterm
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("progress");
        QTest::newRow("colour and a progress line") << QString() << Variable() << true << true;
        QTest::newRow("NO_COLOR") << QString() << Variable{u"NO_COLOR"_s, u"1"_s} << false << true;
        QTest::newRow("-q: no progress line") << u"-q"_s << Variable() << true << false;
        QTest::newRow("a dumb terminal: no escape sequence at all")
            << QString() << Variable{u"TERM"_s, u"dumb"_s} << false << false;
    }
    void onATerminal()
    {
        // On a terminal FAILED stands out, and a progress line names what each
        // device is doing; the protocol's waits give it time to show.
        QFETCH(QString, extra);
        QFETCH(Variable, environment);
        QFETCH(bool, colour);
        QFETCH(bool, progress);
        Devices devices({u"--nak"_s});
        QVERIFY(devices.ok);
        const QString command = u"%1 --settings %2 write %3 -p COM1 --timing protocol "_s.arg(
            QStringLiteral(KORVEXCTL_PATH), devices.ini(), devices.file(u"rows.cfg"_s, rows()));
        QProcess terminal; // script gives the command a pseudo-terminal of its own
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"NO_COLOR"_s);
        env.insert(u"TERM"_s, u"xterm"_s);
        if (!environment.first.isEmpty())
            env.insert(environment.first, environment.second);
        terminal.setProcessEnvironment(env);
        terminal.start(u"script"_s, {u"-qec"_s, command + extra, u"/dev/null"_s});
        QVERIFY(terminal.waitForFinished(WaitMs));
        const QByteArray seen = terminal.readAllStandardOutput();
        QVERIFY2(seen.contains("0/16 rows verified"), seen.constData());
        QCOMPARE(seen.contains("\033[1;31mFAILED\033[0m"), colour);
        QCOMPARE(seen.contains("COM1 writing "), progress);
        QCOMPARE(seen.contains('\033'), colour || progress);
    }

    void fewDescriptors()
    {
        // Sixteen devices at once need more descriptors than 32 (without a
        // budget the event dispatcher of some thread aborts the program): they
        // are served a few at a time, every one of them. With 12 not even one
        // can be served: refused before any byte, never half started.
        Devices devices(QStringList(16, QString()));
        QVERIFY(devices.ok);
        QStringList ports{u"version"_s};
        for (int n = 1; n <= 16; ++n)
            ports << u"-p"_s << u"COM%1"_s.arg(n);
        const Run few = devices.run(ports, u"-n 12"_s);
        QCOMPARE(few.exit, 2);
        QVERIFY2(few.err.contains("too few file descriptors"), few.err.constData());
        QVERIFY(devices.quiet());
        const Run some = devices.run(ports, u"-n 32"_s);
        QCOMPARE(some.exit, 0);
        QCOMPARE(some.out.count("KORVEX, version"), 16);
    }

    void interruptedWrite()
    {
        // Stopped once the second row is being read back: both devices stop
        // between commands, their ports are closed, both are named incomplete
        // with the rows they hold. A second stop request must not cut the
        // report short: a closed terminal sends one after Ctrl+C. (The
        // system's hang-up, then the shell's end: tst_station, interrupted.)
        Devices devices({u"--state DIR/one"_s, u"--state DIR/two"_s});
        QVERIFY(devices.ok);
        const QString cfg = devices.file(u"rows.cfg"_s, rows());
        auto process =
            devices.start((u"write "_s + cfg + u" -p COM1 -p COM2 --timing protocol"_s).split(u' '));
        QVERIFY(process->waitForStarted(WaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(devices.sims[0]->log().contains("<- /R1"), WaitMs);
        const auto pid = pid_t(process->processId());
        QVERIFY(pid > 0);
        ::kill(pid, SIGINT);
        ::kill(pid, SIGHUP);
        QVERIFY(process->waitForFinished(WaitMs));
        QCOMPARE(process->exitCode(), 130);
        const QByteArray out = process->readAllStandardOutput();
        for (int com : {1, 2}) {
            SimProcess &sim = *devices.sims[std::size_t(com - 1)];
            QTRY_VERIFY(sim.log().contains("korvex-sim: -- line closed by the host\n"));
            QVERIFY(!sim.log().contains("<- /W?"));
            // The device holds what it acknowledged; one more when the stop
            // came while korvexctl waited for the last write's acknowledgement,
            // the last command it sent.
            const QByteArray log = sim.log();
            const int stored = int(log.count("-> {06}"));
            const bool lastWasWrite = log.lastIndexOf("<- /W") > log.lastIndexOf("<- /R");
            const QRegularExpression said(
                u"COM%1 %2: write interrupted: the device acknowledged (\\d+) of 16 rows "
                "\\(and may hold the one after\\): it is incomplete"_s.arg(com)
                    .arg(sim.path()));
            const QRegularExpressionMatch match = said.match(QString::fromUtf8(out));
            QVERIFY2(match.hasMatch(), out.constData());
            QCOMPARE(stored, match.captured(1).toInt() + (lastWasWrite ? 1 : 0));
        }
    }
};

QTEST_GUILESS_MAIN(TestKorvexctl)
#include "tst_korvexctl.moc"
