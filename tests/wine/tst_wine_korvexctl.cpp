// korvexctl.exe as an operator on Windows runs it, under Wine, against
// simulated devices reached as COM1, COM2 ... of the Wine prefix.
#include "StationRun.h"
#include "WineRig.h"

#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace WineRig;

namespace {

// COM ports appearing and going as Windows shows them: the prefix's link to a
// simulator's terminal, and the port's value under SERIALCOMM, named for the
// driver's device as a serial driver names it. What is left goes with it.
struct WineUnits
{
    ~WineUnits()
    {
        QList<std::pair<QString, QString>> gone;
        for (const auto &[device, com] : plugged)
            gone.push_back({device, {}}), QFile::remove(link(com));
        values(gone);
    }
    // Sets the values in one change (one import): device -> port, or to none.
    bool values(const QList<std::pair<QString, QString>> &changes)
    {
        QByteArray reg = "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n";
        for (const auto &[device, com] : changes) {
            reg += "\"\\\\Device\\\\" + device.toLatin1() +
                   "\"=" + (com.isEmpty() ? "-" : '"' + com.toLatin1() + '"') + "\r\n";
            com.isEmpty() ? void(plugged.erase(device)) : void(plugged[device] = com);
        }
        QProcess import;
        prepare(import);
        import.start(u"wine"_s,
                     {u"reg"_s, u"import"_s, windowsPath(writeFile(dir.filePath(u"change.reg"_s), reg))});
        return import.waitForFinished(WaitMs) && import.exitCode() == 0;
    }
    bool plug(const QString &device, const QString &com, const SimProcess &sim)
    {
        return QFile::link(sim.path(), link(com)) && values({{device, com}});
    }
    bool unplug(const QString &device, const QString &com)
    {
        return values({{device, {}}}) && QFile::remove(link(com));
    }
    static QString link(const QString &com)
    {
        return qEnvironmentVariable("WINEPREFIX") + u"/dosdevices/"_s + com.toLower();
    }

    QTemporaryDir dir;
    std::map<QString, QString> plugged;
};

} // namespace

class TestWineKorvexctl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!configured())
            QSKIP("needs WINEPREFIX and KORVEX_WINE_PROGRAMS (script/test-windows sets them)");
    }

    void commands_data()
    {
        // COM1 a device, COM2 one that never answers; stdout and stderr as
        // regular expressions.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<bool>("sent"); // whether any device received a byte
        const auto row = [](const char *name, const char *line, int exit, const QString &out,
                            const QString &err, bool sent) {
            QTest::newRow(name) << QString::fromLatin1(line).split(u' ') << exit << out << err << sent;
        };
        const QString none = u"^$"_s;
        row("help, with what Windows changes", "--help", 0,
            u"^Usage: korvexctl COMMAND.*On Windows, PORT is COM1 \\.\\.\\. COM255"_s, none, false);
        // Its path, with accents, shown as typed.
        row("a bad file reaches no device", "write FILE -p COM1", 2, none,
            u"^korvexctl: Z:\\S+\\\\Prüfstand\\\\in\\.cfg: line 2: row number 17 is not between 1 and 16\n"
            "korvexctl: \\S+: line 3: unknown key name \"QQ\" for row 3; did you mean \"Q\"\\?\n"
            "korvexctl: \\S+: line 4: \\{c7\\} only 2 HEX chars allowed within brackets"_s,
            false);
        row("unusable settings reach no device", "version -p COM1 --settings BAD_INI", 2, none,
            u"^korvexctl: \\S+bad\\.ini: Error setting up comm port - invalid port settings "
            "\"96oo,N,8,2\": baud rate"_s,
            false);
        row("a COM port Windows does not have", "version -p COM42", 4,
            u"^COM42: version FAILED: COM42 does not exist on this computer\\."_s, none, false);
        row("station: what it watches", "help station", 0,
            u"^Usage: korvexctl station \\[--log FILE\\] FILE\\.cfg.*"
            "watches the serial ports Windows lists"_s,
            none, false);
        row("station: no --watch", "station FILE --watch C:\\units", 2, none,
            u"^korvexctl: --watch has no use on Windows: "
            "the station watches the serial ports Windows lists\n"_s,
            false);
        row("no COM port that high", "version -p COM256", 2, none, u"no port \"COM256\""_s, false);
        row("list: the ports, not a byte sent", "list", 0, u"^(.*\n)?COM1( .*)?\nCOM2( .*)?\n"_s, none,
            false);
        row("read to standard output, the result on standard error", "read -p COM1 --timing reply", 0,
            u"^#Moravelle KORVEX configuration file\r\n"_s, u"^COM1: read ok, 16/16 rows answered\n$"_s,
            true);
    }
    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(bool, sent);
        Ports ports({{}, u"--silent"_s});
        QVERIFY(ports.ok);
        QVERIFY(QDir(ports.dir.path()).mkdir(u"Prüfstand"_s));
        args.replaceInStrings(u"FILE"_s,
                              ports.file(u"Prüfstand/in.cfg"_s, "01\tF1\tok\n17\tA\n03\tQQ\n04\tA\t{c7}\n"));
        args.replaceInStrings(u"BAD_INI"_s, ports.file(u"bad.ini"_s, "[COMSETTINGS]\r\nBAUD=96oo\r\n"));
        const Run run = ports.run(args);
        QCOMPARE(run.exit, exit);
        QVERIFY2(matches(out, run.out), run.out.constData());
        QVERIFY2(matches(err, run.err), run.err.constData());
        // What a device received reaches its log through a pipe, a moment later.
        if (sent)
            QTRY_VERIFY(!ports.quiet());
        else
            QVERIFY(ports.quiet());
    }

    void fourDevicesAtOnce()
    {
        // One absent, one slow: the others are unaffected, each gets its own
        // status, the worst wins.
        Ports ports({{}, {}, u"--silent"_s, u"--delay-ms z=150 --delay-ms R=50 --delay-ms W=50"_s});
        QVERIFY(ports.ok);
        const QStringList all = u"-p COM1 -p COM2 -p COM3 -p COM4"_s.split(u' ');
        // Bytes a line that is not raw would translate, swallow or act on
        // (XON, XOFF, CR, LF, ESC, 8-bit), written through the Windows link.
        QCOMPARE(ports.run({u"write"_s, ports.file(u"rows.cfg"_s, rows()), u"-p"_s, u"COM1"_s}).exit, 0);
        // One file per device that answered, read with reply timing through
        // the Windows link; each verifies (protocol timing) against its
        // device, the slow one too, so the two timings read the same rows.
        const QString folder = ports.file(u"read"_s);
        const Run read = ports.run(QStringList{u"read"_s, u"-o"_s, folder, u"--timing"_s, u"reply"_s} + all);
        QCOMPARE(read.exit, 3);
        // Windows keeps the names COM1 ... COM9 for its ports, whatever follows the dot.
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 (QStringList{u"COM1-rows.cfg"_s, u"COM2-rows.cfg"_s, u"COM4-rows.cfg"_s}));
        for (const QString &com : {u"COM1"_s, u"COM4"_s}) {
            const QString file = QDir(folder).filePath(com + u"-rows.cfg"_s);
            QCOMPARE(ports.run({u"verify"_s, file, u"-p"_s, com}).exit, 0);
        }
    }

    void interruptedWrite()
    {
        // Ctrl+C once the second row has been sent: both devices stop between
        // commands, their ports are closed, both are named incomplete.
        Ports ports({{}, {}});
        QVERIFY(ports.ok);
        auto process = ports.start(
            {u"write"_s, ports.file(u"rows.cfg"_s, rows()), u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s});
        QTRY_VERIFY_WITH_TIMEOUT(ports.sims[0]->log().contains("<- /W1"), WaitMs);
        ::kill(pid_t(process->processId()), SIGINT);
        QVERIFY(process->waitForFinished(WaitMs));
        QCOMPARE(process->exitCode(), 130);
        const QByteArray out = process->readAllStandardOutput();
        QVERIFY2(out.count("write interrupted: the device acknowledged") == 2 &&
                     out.contains("it is incomplete"),
                 out.constData());
        for (std::size_t i = 0; i < 2; ++i) {
            QTRY_VERIFY(ports.sims[i]->log().endsWith("korvex-sim: -- line closed by the host\n"));
            QVERIFY(!ports.sims[i]->log().contains("<- /W?"));
        }
    }

    void station()
    {
        // Units one after another, one plugged in again, one whose port is now
        // another device's (in one change), two at once, one pulled out
        // mid-write, then Ctrl+C with one half-way: each with its line and
        // its record. The ports there before it started (COM1 ... COM4, and
        // the host's own that Wine lists) are passed over, never opened,
        // until one is plugged in again.
        Ports ports(QStringList(9, QString()) << u"--delay-ms W=40"_s << u"--delay-ms W=40"_s);
        QVERIFY(ports.ok);
        WineUnits units;
        StationRun station(ports, {});
        for (int n = 0; n < 3; ++n) {
            QVERIFY(
                units.plug(u"Korvex%1"_s.arg(n), u"COM%1"_s.arg(11 + n), *ports.sims[std::size_t(4 + n)]));
            QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), n + 1, WaitMs);
        }
        QVERIFY(units.unplug(u"Korvex0"_s, u"COM11"_s));
        QVERIFY(units.plug(u"Korvex0"_s, u"COM11"_s, *ports.sims[4]));
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 4, WaitMs);
        QVERIFY(units.values({{u"Korvex1"_s, {}}, {u"Korvex9"_s, u"COM12"_s}}));
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 5, WaitMs);
        QVERIFY(QFile::link(ports.sims[7]->path(), units.link(u"COM14"_s)) &&
                QFile::link(ports.sims[8]->path(), units.link(u"COM15"_s)));
        QVERIFY(units.values({{u"Korvex3"_s, u"COM14"_s}, {u"Korvex4"_s, u"COM15"_s}}));
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 7, WaitMs);
        // COM4 was there before: unplugged and plugged in again, it is a unit.
        QVERIFY(units.values({{u"Serial3"_s, {}}}) && units.values({{u"Serial3"_s, u"COM4"_s}}));
        units.plugged.erase(u"Serial3"_s); // the prefix keeps it
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 8, WaitMs);
        QVERIFY(units.plug(u"Korvex5"_s, u"COM16"_s, *ports.sims[9]));
        QTRY_VERIFY_WITH_TIMEOUT(ports.sims[9]->log().contains("<- /W3"), WaitMs);
        QVERIFY(units.unplug(u"Korvex5"_s, u"COM16"_s));
        ports.sims[9]->pull();
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 9, WaitMs);
        QVERIFY(units.plug(u"Korvex6"_s, u"COM17"_s, *ports.sims[10]));
        QTRY_VERIFY_WITH_TIMEOUT(ports.sims[10]->log().contains("<- /W2"), WaitMs);
        ::kill(pid_t(station.process->processId()), SIGINT);
        QCOMPARE(station.finish(), 130);

        QStringList ends = station.units();
        std::sort(ends.begin() + 5, ends.begin() + 7);
        QVERIFY2(ends.size() == 10 &&
                     ends.at(8).contains(
                         QRegularExpression(u"^COM16 FAIL: removed during write, rows 1-\\d+ new$"_s)) &&
                     ends.at(9).startsWith(u"COM17 INTERRUPTED: the device acknowledged"_s),
                 qPrintable(ends.join(u'\n')));
        QCOMPARE(ends.mid(0, 8),
                 (QStringList{u"COM11 PASS"_s, u"COM12 PASS"_s, u"COM13 PASS"_s, u"COM11 PASS"_s,
                              u"COM12 PASS"_s, u"COM14 PASS"_s, u"COM15 PASS"_s, u"COM4 PASS"_s}));
        QCOMPARE(station.records().size(), 10);
        QVERIFY2(station.err.contains("ignored COM4: there before the station started") &&
                     station.err.contains("station: 10 units, 8 passed, 1 failed, 1 interrupted"),
                 station.err.constData());
        for (std::size_t i = 0; i < 3; ++i)
            QVERIFY(!ports.sims[i]->log().contains("<-"));
    }
};

QTEST_GUILESS_MAIN(TestWineKorvexctl)
#include "tst_wine_korvexctl.moc"
