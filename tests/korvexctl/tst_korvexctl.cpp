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

// How a test makes a finished job's results.
using JobResults = std::function<void(DeviceJob &job)>;
Q_DECLARE_METATYPE(JobResults)

class TestKorvexctl : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        // What korvexctl refuses before it opens anything, in its words; ''
        // stands for an empty word.
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("refusal");
        // clang-format off
        const std::pair<const char *, const char *> rows[] = {
            {"-b 19200 version -p COM1", ""},
            {"check in.cfg", ""},
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
        };
        // clang-format on
        for (const auto &[line, refusal] : rows)
            QTest::newRow(line) << QString::fromLatin1(line) << QString::fromLatin1(refusal);
    }
    void commandLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, refusal);
        QStringList words = (u"korvexctl "_s + line).split(u' ');
        words.replaceInStrings(u"''"_s, QString());
        ParsedCommandLine parsed = parseCommandLine(words);
        if (parsed.error.isEmpty()) // the ports are named once the settings are read
            namedTargets(parsed.request.ports, PortsSection(), &parsed.error);
        QCOMPARE(parsed.error, refusal);
    }

    void verdicts_data()
    {
        // A finished job, and what each rendering makes of its one verdict:
        // the text a terminal shows, and the JSON's failure, exit and error.
        QTest::addColumn<int>("operation");
        QTest::addColumn<JobResults>("results");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("outputError"); // why the rows read were not written
        using S = SessionResult::Status;
        using K = RowOutcome::Kind;
        const auto rows = [](K kind, RowSet which = AllRows) {
            return [=](DeviceJob &job) {
                for (int i = 0; i < RowCount; ++i)
                    job.result.rows[std::size_t(i)].kind = which.test(std::size_t(i)) ? kind : K::Match;
            };
        };
        // clang-format off
        QTest::newRow("every row refused: the verdict and the rows agree") << int(Operation::Write) << JobResults([](DeviceJob &job) {
            for (RowOutcome &row : job.sent.rows)
                row = {K::NotAcknowledged, {}, {}, 0, "\x15" "0", false};
        }) << u"^COM1: write FAILED, 0/16 rows verified\n(  row \\d+: not acknowledged \\(\\{15\\}0\\)\n){16}$"_s
           << u"\"error\":\"rows 1-16 not acknowledged\",\"exit\":1,\"failure\":\"not-acknowledged\""_s << QString();
        QTest::newRow("a flooding device: its row quoted in part") << int(Operation::Read) << JobResults([=](DeviceJob &job) {
            rows(K::Read)(job);
            job.result.rows[1] = {K::Cut, "A", "{0D}" + QByteArray(65536, 'x'), 0x1C, {}, false};
        }) << u"^COM1: read FAILED, 15/16 rows answered\n  row 2: cut: the device sent 65537 units, \\{0D\\}x{23}\\.\\.\\.; a row holds 6\n$"_s
           << u"\"error\":\"row 2 cut\",\"exit\":1,\"failure\":\"cut\""_s << QString();
        QTest::newRow("a row that differs, among ones that match") << int(Operation::Verify) << JobResults(rows(K::KeyMismatch, RowSet(1)))
            << u"^COM1: verify FAILED, 15/16 rows match\n  row 1: device has no key, no string; file has no key, no string\n$"_s
            << u"\"error\":\"row 1 differs\",\"exit\":1,\"failure\":\"rows-differ\""_s << QString();
        QTest::newRow("rows read that could not be written") << int(Operation::Read) << JobResults(rows(K::Read))
            << u"^COM1: read FAILED: cannot write x\n$"_s << u"\"exit\":1,\"failure\":\"file-problem\""_s << u"cannot write x"_s;
        QTest::newRow("a version interrupted: no rows to count") << int(Operation::Version) << JobResults([](DeviceJob &job) {
            job.result.status = S::Interrupted;
        }) << u"^COM1: version interrupted\n$"_s << u"\"error\":null,\"exit\":130,\"failure\":\"interrupted\""_s << QString();
        QTest::newRow("a missing port") << int(Operation::Verify) << JobResults([](DeviceJob &job) {
            job.result.status = S::PortFailed;
            job.result.failure = KorvexError::Kind::PortMissing;
            job.result.message = u"COM1 does not exist."_s;
        }) << u"^COM1: verify FAILED: COM1 does not exist.\n$"_s << u"\"exit\":4,\"failure\":\"port-missing\""_s << QString();
        // A device's text cannot forge a line, nor reach a terminal's C1 controls.
        QTest::newRow("a version with a line end and C1 inside") << int(Operation::Version) << JobResults([](DeviceJob &job) {
            job.result.version = "K\nCOM2: fake\x9B\r\n";
        }) << u"^COM1: KORVEX, version K\\{0A\\}COM2: fake\\{9B\\}\n$"_s
           << u"\"version\":\"K\\\\nCOM2: fake\\\\u009b\""_s << QString();
        // clang-format on
    }
    void verdicts()
    {
        QFETCH(int, operation);
        QFETCH(JobResults, results);
        QFETCH(QString, text);
        QFETCH(QString, json);
        QFETCH(QString, outputError);
        DeviceJob job(Target{u"COM1"_s, u"COM1"_s, 1, true, {}, {}}, Operation(operation), JobSetup());
        job.started = true;
        job.result.status = SessionResult::Status::Done;
        results(job);
        const DeviceReport report = reportFor(job, {}, verdictFor(job, outputError));
        QVERIFY2(matches(text, report.text()), report.text().constData());
        QVERIFY2(matches(json, report.json()), report.json().constData());
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
        const QString cfg = devices.file(u"rows.cfg"_s, rows());
        const QStringList all = {u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s,
                                 u"-p"_s, u"COM3"_s, u"-p"_s, u"COM4"_s};

        const Run write = devices.run(QStringList{u"write"_s, cfg} + all);
        QCOMPARE(write.exit, 3);
        const auto line = [&](int com, const QString &text) {
            return QStringLiteral("COM%1 %2: %3")
                .arg(com)
                .arg(devices.sims[std::size_t(com - 1)]->path(), text)
                .toUtf8();
        };
        QCOMPARE(
            write.out.split('\n'),
            (QByteArrayList{line(1, u"write ok, 16/16 rows verified"_s),
                            line(2, u"write FAILED, 12/16 rows verified"_s),
                            "  row 1: device has no key, no string; file has key F1, {C7}{11}{13}{03}{7F}",
                            "  row 2: device has no key, no string; file has key A, AB",
                            "  row 5: device has no key, no string; file has key ESC, {0D}{0A}{1B}[A{FF}",
                            "  row 16: device has no key, no string; file has key F12, {80}xyz",
                            line(3, u"write FAILED: KORVEX not responsing on port COM3"_s),
                            line(4, u"write ok, 16/16 rows verified"_s), ""}));

        const Run verify =
            devices.run(QStringList{u"verify"_s, cfg, u"--json"_s, u"--timing"_s, u"reply"_s} + all);
        QCOMPARE(verify.exit, 3);
        QStringList seen; // port, outcome, each row verified (y/n) or not tried (-), error
        for (const QByteArray &json : verify.out.trimmed().split('\n')) {
            const QJsonObject device = QJsonDocument::fromJson(json).object();
            QString rows;
            for (const QJsonValue row : device[u"rows"_s].toArray())
                rows += row[u"verified"_s].isNull() ? u'-' : row[u"verified"_s].toBool() ? u'y' : u'n';
            seen << QStringList{device[u"port"_s].toString(),
                                device[u"ok"_s].toBool() ? u"ok"_s : u"not ok"_s, rows,
                                device[u"error"_s].toString()}
                        .join(u'|');
        }
        QCOMPARE(seen, (QStringList{u"COM1|ok|yyyyyyyyyyyyyyyy|"_s,
                                    u"COM2|not ok|nnyynyyyyyyyyyyn|rows 1-2, 5, 16 differ"_s,
                                    u"COM3|not ok|----------------|KORVEX not responsing on port COM3"_s,
                                    u"COM4|ok|yyyyyyyyyyyyyyyy|"_s}));

        // One file per device that answered, a .cfg file that verifies against
        // that device.
        const QString folder = devices.file(u"read"_s);
        const Run read =
            devices.run(QStringList{u"read"_s, u"-o"_s, folder, u"--timing"_s, u"reply"_s} + all);
        QCOMPARE(read.exit, 3);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 (QStringList{u"COM1.cfg"_s, u"COM2.cfg"_s, u"COM4.cfg"_s}));
        // (Each file's header: the commands row "-o ending in a slash".)
        for (const QString &com : {u"COM1"_s, u"COM2"_s, u"COM4"_s})
            QCOMPARE(devices.run({u"verify"_s, QDir(folder).filePath(com + u".cfg"_s), u"-p"_s, com}).exit,
                     0);
    }

    void commands_data()
    {
        // COM1 a device, COM2 nothing, COM3 a device that refuses every row,
        // COM4 one whose seventh row answers late, COM5 one whose second row
        // is longer than a row can be and whose version holds an escape
        // sequence, COM6 one that hangs up after twelve commands. stdout and
        // stderr as regular expressions; after the run, checks: "quiet" (no
        // device got a byte), "kept" (OLD still holds what it held), "file
        // PATH" (a file there), "fifo" (FIFO is still one), "no --settings"
        // (KORVEX_SETTINGS names them instead), "not W2" (COM1
        // was never sent a write of row 3).
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("checks");
        const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
        const QStringList quiet{u"quiet"_s}, none;
        // clang-format off
        QTest::newRow("version") << args("version -p COM1") << 0 << u"^COM1 \\S+: KORVEX, version KORVEX 2.14\n$"_s << u"^$"_s << none;
        QTest::newRow("-v: every byte, on standard error") << args("version -p COM1 -v") << 0 << u"^COM1 \\S+: KORVEX"_s
            << u"COM1 \\d+\\.\\d{3} -> z\nCOM1 \\d+\\.\\d{3} <- \\{E8\\}\n"_s << none;
        QTest::newRow("--json: C1 controls escaped too") << args("version -p COM5 --json") << 0 << u"KORVEX\\\\u001b\\[2J\\\\u0007\\\\u009b"_s << u"^$"_s << none;
        QTest::newRow("check: a file without any port") << args("check PART") << 0 << u"part.cfg: no problems; rows 1-2 named\n$"_s << u"^$"_s
            << QStringList{u"quiet"_s, u"no --settings"_s};
        QTest::newRow("keys: the names a file may use") << args("keys") << 0 << u"\nF2      06\n"_s << u"^$"_s << QStringList{u"no --settings"_s};
        QTest::newRow("KORVEX_SETTINGS stands for --settings") << args("version -p COM1") << 0 << u"KORVEX, version"_s << u"^$"_s
            << QStringList{u"no --settings"_s};
        QTest::newRow("a version's escape sequence shown, not obeyed") << args("version -p COM5") << 0
            << u"^COM5 \\S+: KORVEX, version KORVEX\\{1B\\}\\[2J\\{07\\}\\{9B\\}\n$"_s << u"^$"_s << none;
        QTest::newRow("a device path that is no serial port") << args("version -p /dev/null") << 4 << u"^/dev/null: version FAILED: /dev/null"_s << u"^$"_s << none;
        QTest::newRow("a regular file is no port") << args("version -p ROWS") << 4 << u"version FAILED: \\S+ is not a serial device\\.\n$"_s << u"^$"_s << none;
        QTest::newRow("list: the ports there are, not a byte sent") << args("list") << 0
            << u"^COM1 /dev/pts/\\d+\nCOM2 /dev/pts/\\d+\n"_s << u"^$"_s << quiet;
        QTest::newRow("list --probe: none answered") << args("list --probe -p COM2") << 3 << u"^COM2 \\S+: no KORVEX"_s << u"^$"_s << none;
        QTest::newRow("several devices' rows in their JSON objects, without -o") << args("read -p COM1 -p COM3 --json") << 0
            << u"^\\{[^\n]*\"port\":\"COM1\",\"rows\":\\[\\{[^\n]*\n\\{[^\n]*\"port\":\"COM3\",\"rows\":\\[\\{"_s << u"^$"_s << none;
        QTest::newRow("list --probe: each given port asked") << args("list --probe -p COM1 -p COM2 --json") << 0
            << u"^\\{.*\"answered\":true.*\"port\":\"COM1\".*\\}\n\\{.*\"answered\":false.*\"port\":\"COM2\""_s << u"^$"_s << none;
        QTest::newRow("read to standard output, the result on standard error") << args("read -p COM1 --timing reply") << 0
            << u"^#Moravelle KORVEX configuration file\r\n"_s << u"^COM1 \\S+: read ok, 16/16 rows answered\n$"_s << none;
        QTest::newRow("standard output that cannot be written is a failed read") << args("read -p COM1 --timing reply >/dev/full") << 1
            << u"^$"_s << u"^COM1 \\S+: read FAILED: cannot write standard output: No space left on device\n$"_s << none;
        QTest::newRow("a late reply: no file, later rows not trusted") << args("read -p COM4 -o OLD --timing reply") << 1
            << u"^COM4 \\S+: read FAILED, 6/16 rows answered\n  row 7: no reply\n  row 8: not trusted: "_s << u"^$"_s << QStringList{u"kept"_s};
        QTest::newRow("a row longer than six units is cut: a failed read") << args("read -p COM5 --timing reply") << 1
            << u"^$"_s << u"^COM5 \\S+: read FAILED, 15/16 rows answered\n  row 2: cut: the device sent 9 units, AOVERLONG; a row holds 6\n$"_s << none;
        QTest::newRow("cut, in JSON") << args("read -p COM5 -o DIR/cut.cfg --json --timing reply") << 1
            << u"\"ok\":false.*\"outcome\":\"cut\",\"row\":2,\"string\":\"AOVERLONG\""_s << u"^$"_s << none;
        QTest::newRow("a file that cannot be written: not ok in JSON") << args("read -p COM1 -o ROWS/in.cfg --json --timing reply") << 1
            << u"\"error\":\"cannot write \\S+/in.cfg: .*\",\"ok\":false"_s << u"^$"_s << none;
        QTest::newRow("-o a pipe: refused, left a pipe") << args("read -p COM1 -o FIFO") << 2 << u"^$"_s << u"is not a regular file"_s << QStringList{u"quiet"_s, u"fifo"_s};
        QTest::newRow("-o ending in a slash: a new folder") << args("read -p COM1 -o DIR/new/ --timing reply") << 0
            << u"^COM1 \\S+: read ok, 16/16 rows answered\n$"_s << u"^$"_s << QStringList{u"file DIR/new/COM1.cfg"_s};
        QTest::newRow("a .cfg file from standard input") << args("write - --partial -p COM1 <PART") << 0
            << u"^COM1 \\S+: write ok, 2/2 rows verified"_s << u"^$"_s << none;
        QTest::newRow("--json: the rows in the object, nothing else on standard output") << args("read -p COM1 --json") << 0
            << u"^\\{\"device\".*\"rows\":\\[\\{\"key\":\"\",\"outcome\":\"read\",\"row\":1,.*\\}\n$"_s << u"^$"_s << none;
        QTest::newRow("--json: the version without its line end") << args("version -p COM1 --json") << 0
            << u"\"version\":\"KORVEX 2.14\"\\}\n$"_s << u"^$"_s << none;
        QTest::newRow("refused rows, with the refusal as sent") << args("write ROWS -p COM3 --timing reply") << 1
            << u"^COM3 \\S+: write FAILED, 0/16 rows verified\n  row 1: not acknowledged \\(\\{15\\}0\\)\n"_s << u"^$"_s << none;
        QTest::newRow("a hang-up mid-write says what the device holds") << args("write ROWS -p COM6 --timing reply") << 4
            << u"^COM6 \\S+: write FAILED: COM6 \\(\\S+\\) stopped working.* The device acknowledged 6 of 16 rows \\(and may hold the one after\\): it is incomplete\\.\n$"_s << u"^$"_s << none;
        QTest::newRow("-p all: a mapped port that does not answer is a failed unit") << args("version -p all --timing reply") << 3
            << u"COM2 \\S+: version FAILED: KORVEX not responsing on port COM2\n"_s << u"^$"_s << none;
        QTest::newRow("--partial writes and verifies the rows named only") << args("write PART --partial -p COM1 --timing reply") << 0
            << u"^COM1 \\S+: write ok, 2/2 rows verified \\(rows 1-2; the others were left as they are\\)\n$"_s << u"^$"_s << QStringList{u"not W2"_s};
        QTest::newRow("a file naming some rows wants --partial") << args("write PART -p COM1") << 2 << u"^$"_s
            << u"names only rows 1-2; .* give --partial"_s << quiet;
        QTest::newRow("--watch a file: refused") << args("station ROWS --watch ROWS") << 2 << u"^$"_s << u"is not a folder"_s << quiet;
        QTest::newRow("a file naming no rows") << args("verify EMPTY -p COM1") << 2 << u"^$"_s << u"names no rows\n$"_s << quiet;
        // Every fault of the file with its line, before any device is opened.
        QTest::newRow("a bad file reaches no device") << args("write BAD -p COM1") << 2 << u"^$"_s
            << u"^korvexctl: \\S+: line 2: row number 17 is not between 1 and 16\n"
               "korvexctl: \\S+: line 3: unknown key name \"QQ\" for row 3; did you mean \"Q\"\\?\n"
               "korvexctl: \\S+: line 4: \\{c7\\} only 2 HEX chars allowed within brackets \\(like \\{C7\\}\\) \\(hex digits are upper case: \\{C7\\}, not \\{c7\\}\\)\n"
               "korvexctl: \\S+: line 5: not a row: expected NN<TAB>KEY<TAB>TEXT\n$"_s << quiet;
        QTest::newRow("a .cfg that is a pipe is refused, not waited on") << args("verify FIFO -p COM1") << 2 << u"^$"_s
            << u"this is a device or pipe, not a file"_s << quiet;
        QTest::newRow("no command") << QStringList() << 2 << u"^$"_s << u"no command given.*\nTry 'korvexctl --help'"_s << none;
        QTest::newRow("a command nearly right is named") << args("writ ROWS -p COM1") << 2 << u"^$"_s
            << u"unknown command \"writ\"; did you mean \"write\"\\?"_s << quiet;
        QTest::newRow("one command's help") << args("help verify") << 0 << u"^Usage: korvexctl verify .*--partial"_s << u"^$"_s << quiet;
        QTest::newRow("write wants a file") << args("write -p COM1") << 2 << u"^$"_s << u"write wants one .cfg file"_s << none;
        QTest::newRow("no such port") << args("read -p COM0") << 2 << u"^$"_s << u"no port \"COM0\""_s << quiet;
        QTest::newRow("one device given twice") << args("version -p COM1 -p COM1") << 2 << u"^$"_s << u"given twice"_s << quiet;
        QTest::newRow("several devices to standard output") << args("read -p COM1 -p COM2") << 2 << u"^$"_s << u"name a folder"_s << quiet;
        QTest::newRow("--settings missing") << args("--settings DIR/none.ini version -p COM1") << 2 << u"^$"_s << u"no such settings file"_s << quiet;
        QTest::newRow("--settings a folder") << args("--settings DIR version -p COM1") << 2 << u"^$"_s << u"a folder, not a file: the settings file must be readable"_s << quiet;
        // A pipe or NUL bytes: the same refusal, iniReadProblem's words (tst_core).
        QTest::newRow("--settings a link to itself") << args("--settings LOOP version -p COM1") << 2 << u"^$"_s << u"symbolic links"_s << quiet;
        QTest::newRow("a [PORTS] line that cannot be read: refused, with its line") << args("--settings PORTSINI version -p COM1") << 2 << u"^$"_s
            << u"korvexctl: \\S+: line \\d+: \"COM05=/dev/null\": \"COM05\" is no port"_s << quiet;
        QTest::newRow("settings the window refuses, in its words") << args("--settings FASTINI version -p COM1") << 2 << u"^$"_s
            << u"Error setting up comm port - invalid port settings \"fast,Q,8,2\": baud rate must be a positive whole number\n$"_s << quiet;
        QTest::newRow("--baud reaches the line: noise to a device at 9600") << args("version -p COM1 --baud 19200 --timing reply") << 3
            << u"version FAILED: KORVEX not responsing on port COM1\n$"_s << u"^$"_s << none;
        QTest::newRow("--parity reaches the port") << args("version -p /dev/null --parity odd") << 4 << u"9600,O,8,2"_s << u"^$"_s << none;
        // clang-format on
    }
    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, checks);
        Devices devices({{},
                         u"--silent"_s,
                         u"--nak"_s,
                         u"--late-row 6"_s,
                         u"--long-row 1 --state STATE --version-text KORVEX\\x1b[2J\\x07\\x9b"_s,
                         u"--hangup-after 12"_s});
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
        for (const auto &[token, path] : files) {
            args.replaceInStrings(token, path);
            checks.replaceInStrings(token, path);
        }
        // ">PATH" and "<PATH": standard output and input.
        QString toFile, fromFile;
        for (const QString &arg : QStringList(args)) {
            if (arg.startsWith(u'>') || arg.startsWith(u'<'))
                (arg.startsWith(u'>') ? toFile : fromFile) = arg.mid(1);
        }
        args.removeIf([](const QString &arg) { return arg.startsWith(u'>') || arg.startsWith(u'<'); });
        devices.settingsInEnvironment = checks.contains(u"no --settings"_s);
        const Run run = devices.run(args, {}, toFile, fromFile);

        QCOMPARE(run.exit, exit);
        QVERIFY2(matches(out, run.out), run.out.constData());
        QVERIFY2(matches(err, run.err), run.err.constData());
        for (const QString &check : checks) {
            if (check == u"quiet"_s)
                QVERIFY(devices.quiet());
            else if (check == u"kept"_s)
                QCOMPARE(readFile(files.at(u"OLD"_s)), "old rows\n"_ba);
            else if (check == u"fifo"_s)
                QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
            else if (check.startsWith(u"file "_s))
                QVERIFY(readFile(check.mid(5)).startsWith(CfgHeaderLine));
            else if (check == u"not W2"_s) {
                // Once its last read has come through, the log holds the rest.
                QTRY_VERIFY(devices.sims[0]->log().contains("<- /R1[NUL]\nkorvex-sim: -> "));
                QVERIFY(devices.sims[0]->log().contains("<- /W1") &&
                        !devices.sims[0]->log().contains("<- /W2"));
            }
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
        QTest::addColumn<QString>("environment"); // NAME=value, on top of TERM=xterm
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("progress");
        QTest::newRow("colour and a progress line") << QString() << QString() << true << true;
        QTest::newRow("NO_COLOR") << QString() << u"NO_COLOR=1"_s << false << true;
        QTest::newRow("-q: no progress line") << u"-q"_s << QString() << true << false;
        QTest::newRow("a dumb terminal: no escape sequence at all")
            << QString() << u"TERM=dumb"_s << false << false;
    }
    void onATerminal()
    {
        // On a terminal FAILED stands out, and a progress line names what each
        // device is doing; the protocol's waits give it time to show.
        QFETCH(QString, extra);
        QFETCH(QString, environment);
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
        if (!environment.isEmpty())
            env.insert(environment.section(u'=', 0, 0), environment.section(u'=', 1));
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
        QStringList ports{u"version"_s, u"--timing"_s, u"reply"_s};
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

    void interruptedWrite_data()
    {
        // A second stop request must not cut the report short: a closed
        // terminal sends two (the system's and the shell's). Two different
        // signals, so that the second cannot merge into the first.
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("again");
        QTest::newRow("Ctrl+C, then the terminal closed") << int(SIGINT) << int(SIGHUP);
        QTest::newRow("the terminal closed, then ended") << int(SIGHUP) << int(SIGTERM);
    }
    void interruptedWrite()
    {
        // Stopped once the second row is being read back: both devices stop
        // between commands, their ports are closed, both are named incomplete
        // with the rows they hold.
        QFETCH(int, signal);
        QFETCH(int, again);
        Devices devices({u"--state DIR/one"_s, u"--state DIR/two"_s});
        QVERIFY(devices.ok);
        const QString cfg = devices.file(u"rows.cfg"_s, rows());
        auto process = devices.start(
            {u"write"_s, cfg, u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s, u"--timing"_s, u"protocol"_s});
        QVERIFY(process->waitForStarted(WaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(devices.sims[0]->log().contains("<- /R1"), WaitMs);
        const auto pid = pid_t(process->processId());
        QVERIFY(pid > 0);
        ::kill(pid, signal);
        ::kill(pid, again);
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
