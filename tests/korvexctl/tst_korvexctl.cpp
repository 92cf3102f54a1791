#include "SimProcess.h"
#include "TestFiles.h"
#include "files/CfgFormat.h"

#include <QtTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int WaitMs = 60000;

// Rows 1, 2, 5 and 16 set, with bytes a line that is not raw would
// translate, swallow or act on: CR, LF, ^C, XON, XOFF, ESC, DEL and 8-bit.
const QByteArray Rows = "#written by hand\n01\tF1\t{C7}{11}{13}{03}{7F}\tfirst\n02\tA\tAB\n"
                        "05\tESC\t{0D}{0A}{1B}[A{FF}\n16\tF12\t{80}xyz\n";

struct Run
{
    int exit = -1;
    QByteArray out;
    QByteArray err;
};

// Simulated devices, each on its own pseudo-terminal and mapped as COM1,
// COM2 ... in a settings file of their own; each logs what it receives.
struct Devices
{
    explicit Devices(const QStringList &faults)
    {
        for (int i = 0; i < faults.size(); ++i) {
            sims.push_back(std::make_unique<SimProcess>(QStringList{u"--log"_s} +
                                                        faults.at(i).split(u' ', Qt::SkipEmptyParts)));
            ok = sims.back()->mapAs(i + 1, ini()) && ok;
        }
    }
    QString ini() const { return dir.filePath(u"Korvex.ini"_s); }
    // A file of these bytes in the settings' folder; none when there are none.
    QString file(const QString &name, const QByteArray &bytes = {}) const
    {
        return bytes.isEmpty() ? dir.filePath(name) : writeFile(dir.filePath(name), bytes);
    }
    std::unique_ptr<QProcess> start(const QStringList &args) const
    {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(KORVEXCTL_PATH), QStringList{u"--settings"_s, ini()} + args);
        return process;
    }
    Run run(const QStringList &args) const
    {
        auto process = start(args);
        process->waitForFinished(WaitMs);
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                process->readAllStandardOutput(), process->readAllStandardError()};
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims; // COM1, COM2 ...
    bool ok = true;
};

} // namespace

class TestKorvexctl : public QObject
{
    Q_OBJECT

private slots:
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
        const QString cfg = devices.file(u"rows.cfg"_s, Rows);
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
                                    u"COM2|not ok|nnyynyyyyyyyyyyn|4 of 16 rows failed"_s,
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
        for (const QString &com : {u"COM1"_s, u"COM2"_s, u"COM4"_s}) {
            const QString file = QDir(folder).filePath(com + u".cfg"_s);
            QVERIFY(readFile(file).startsWith(CfgHeaderLine + "\r\n"));
            QCOMPARE(devices.run({u"verify"_s, file, u"-p"_s, com}).exit, 0);
        }
    }

    void commands_data()
    {
        // COM1 a device, COM2 nothing, COM3 a device that refuses every row;
        // stdout and stderr as regular expressions.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
        // clang-format off
        QTest::newRow("version") << args("version -p COM1") << 0 << u"^COM1 \\S+: KORVEX, version KORVEX 2.14\n$"_s << u"^$"_s;
        QTest::newRow("a device path that is no serial port")
            << args("version -p /dev/null") << 4 << u"^/dev/null: version FAILED: /dev/null"_s << u"^$"_s;
        QTest::newRow("list the given ports, answered or not") << args("list -p COM1 -p COM2 --json") << 0
            << u"^\\{.*\"answered\":true.*\"port\":\"COM1\".*\\}\n\\{.*\"answered\":false.*\"port\":\"COM2\""_s << u"^$"_s;
        QTest::newRow("read to standard output, the result on standard error") << args("read -p COM1 --timing reply") << 0
            << u"^#Moravelle KORVEX configuration file\r\n"_s << u"^COM1 \\S+: read ok, 16/16 rows answered\n$"_s;
        QTest::newRow("refused rows, with the refusal as sent") << args("write ROWS -p COM3 --timing reply") << 1
            << u"^COM3 \\S+: write FAILED, 0/16 rows verified\n  row 1: not acknowledged \\(\\{15\\}0\\)\n"_s << u"^$"_s;
        QTest::newRow("no command") << QStringList() << 2 << u"^$"_s << u"no command given.*\nTry 'korvexctl --help'"_s;
        QTest::newRow("write wants a file") << args("write -p COM1") << 2 << u"^$"_s << u"write wants one .cfg file"_s;
        QTest::newRow("no such port") << args("read -p COM9") << 2 << u"^$"_s << u"no port \"COM9\""_s;
        QTest::newRow("several devices to standard output") << args("read -p COM1 -p COM2") << 2 << u"^$"_s << u"name a folder"_s;
        // The last --settings wins: one with a baud rate no port can take.
        QTest::newRow("unusable settings reach no device") << args("version -p COM1 --settings BAD_INI") << 2 << u"^$"_s
            << u"^korvexctl: unusable settings \\(\\S+\\): invalid port settings \"96oo,N,8,2\": baud rate"_s;
        // Every fault of the file with its line, before any device is opened.
        QTest::newRow("a bad file reaches no device") << args("write FILE -p COM1") << 2 << u"^$"_s
            << u"^korvexctl: \\S+: line 2: Error extracting info from config file\\. row number 17 is not between 1 and 16\n"
               "korvexctl: \\S+: line 4: \\{c7\\} only 2 HEX chars allowed within brackets \\(like \\{C7\\}\\)\n"
               "korvexctl: \\S+: line 3: unknown key name \"QQ\" for row 3\n$"_s;
        // clang-format on
    }
    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        Devices devices({{}, u"--silent"_s, u"--nak"_s});
        QVERIFY(devices.ok);
        // FILE: a .cfg file with a bad row number, a bad key name and a bad
        // output string; ROWS: a good one.
        args.replaceInStrings(u"FILE"_s,
                              devices.file(u"in.cfg"_s, "01\tF1\tok\n17\tA\n03\tQQ\n04\tA\t{c7}\n"));
        args.replaceInStrings(u"ROWS"_s, devices.file(u"rows.cfg"_s, Rows));
        args.replaceInStrings(
            u"BAD_INI"_s, devices.file(u"bad.ini"_s, readFile(devices.ini()) + "[COMSETTINGS]\nBAUD=96oo\n"));
        const Run run = devices.run(args);
        QCOMPARE(run.exit, exit);
        const QRegularExpression::PatternOption dotAll = QRegularExpression::DotMatchesEverythingOption;
        QVERIFY2(QRegularExpression(out, dotAll).match(QString::fromUtf8(run.out)).hasMatch(),
                 run.out.constData());
        QVERIFY2(QRegularExpression(err, dotAll).match(QString::fromUtf8(run.err)).hasMatch(),
                 run.err.constData());
        // A command that cannot run sends not one byte on any wire.
        QVERIFY(exit != 2 || !devices.sims[0]->log().contains("<-"));
    }

    void interruptedWrite()
    {
        // Ctrl+C once the second row has been sent: both devices stop between
        // commands, their ports are closed, both are named incomplete.
        Devices devices({{}, {}});
        QVERIFY(devices.ok);
        const QString cfg = devices.file(u"rows.cfg"_s, Rows);
        auto process = devices.start({u"write"_s, cfg, u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s});
        QVERIFY(process->waitForStarted(WaitMs));
        while (!devices.sims[0]->log().contains("<- /W1")) {
            QVERIFY(process->state() == QProcess::Running);
            QTest::qWait(20);
        }
        ::kill(pid_t(process->processId()), SIGINT);
        QVERIFY(process->waitForFinished(WaitMs));
        QCOMPARE(process->exitCode(), 130);
        const QByteArray out = process->readAllStandardOutput();
        QVERIFY2(out.count("write interrupted after") == 2 && out.contains(": the device is incomplete"),
                 out.constData());
        for (int com : {1, 2}) {
            QTRY_VERIFY(devices.sims[std::size_t(com - 1)]->log().endsWith(
                "korvex-sim: -- line closed by the host\n"));
            QVERIFY(!devices.sims[std::size_t(com - 1)]->log().contains("<- /W?"));
        }
    }
};

QTEST_GUILESS_MAIN(TestKorvexctl)
#include "tst_korvexctl.moc"
