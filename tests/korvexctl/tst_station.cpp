// korvexctl station through real simulators: units "plugged in" as links in
// a folder it watches, as udev makes them under /dev/serial/by-id.
#include "StationRun.h"

#include <QtTest>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A station over the settings' folder: units appear as links in by-id/,
// which, as udev does, makes the folder only with the first unit.
struct Station : StationRun
{
    // watchAs: how the folder is named to the station, from the settings'
    // folder as the station's own; limits as Devices::start takes them.
    explicit Station(Devices &devices, const QStringList &options = {}, const QString &watchAs = {},
                     const QString &limits = {})
        // Only once it watches: the folder is not there yet, so it watches the
        // folder's parent until the first unit makes it.
        : StationRun(
              devices,
              QStringList{u"--watch"_s, watchAs.isEmpty() ? devices.dir.filePath(u"by-id"_s) : watchAs} +
                  options,
              limits, [&](QProcess &p) { p.setWorkingDirectory(devices.dir.path()); })
    {}
    QString watch() const { return devices.dir.filePath(u"by-id"_s); }
    // Plugs sim n in under a stable name.
    void plug(int n, const QString &name) const
    {
        QDir().mkpath(watch());
        QFile::link(devices.sims[std::size_t(n)]->path(), QDir(watch()).filePath(name));
    }
    void unplug(const QString &name) const { QFile::remove(QDir(watch()).filePath(name)); }
};

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private slots:
    void unitsOneAfterAnotherThenTogether()
    {
        // Three units one after another, each programmed and verified once,
        // with its line and its record; a unit left plugged in is not
        // programmed again when another comes; unplugged and plugged in again
        // at once (as fast as the station may see the two as one change),
        // once more. Then two at once for the last of --count 5: only one is
        // taken, the other is never sent a byte.
        Devices devices(QStringList(5, QString()));
        QVERIFY(devices.ok);
        Station station(devices, {u"--count"_s, u"5"_s});
        for (int n = 0; n < 3; ++n) {
            station.plug(n, u"unit%1"_s.arg(n + 1));
            QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), n + 1, WaitMs);
        }
        station.unplug(u"unit1"_s);
        station.plug(0, u"unit1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 4, WaitMs);
        station.plug(3, u"unit4"_s);
        station.plug(4, u"unit5"_s);
        QCOMPARE(station.finish(), 0);
        const QStringList units = station.units();
        QCOMPARE(units.mid(0, 4),
                 (QStringList{u"unit1 PASS"_s, u"unit2 PASS"_s, u"unit3 PASS"_s, u"unit1 PASS"_s}));
        QCOMPARE(units.size(), 5);
        QVERIFY(units.at(4) == u"unit4 PASS"_s || units.at(4) == u"unit5 PASS"_s);
        QStringList records = station.records();
        QCOMPARE(records.size(), 5);
        const int untouched = units.at(4) == u"unit4 PASS"_s ? 4 : 3;
        QVERIFY(!devices.sims[std::size_t(untouched)]->log().contains("<-"));
        for (int n = 0; n < untouched; ++n)
            QCOMPARE(
                devices.run({u"verify"_s, station.cfg, u"-p"_s, devices.sims[std::size_t(n)]->path()}).exit,
                0);
    }

    void unitsThatFail()
    {
        // One that does not store, a silent one, one pulled out mid-write:
        // each says why, and the one beside them is unaffected; its name
        // holds a line end, which cannot start a line of its own. What is no
        // serial device is named once and never counted. The folder is named
        // as given, relative to where the station runs.
        Devices devices({u"--ack-no-store"_s, u"--silent"_s, u"--delay-ms W=40"_s, QString()});
        QVERIFY(devices.ok);
        const QDir folder(devices.dir.filePath(u"by-id"_s));
        QVERIFY(QDir().mkpath(folder.path()));
        writeFile(folder.filePath(u"notes.txt"_s), "x");
        QCOMPARE(mkfifo(QFile::encodeName(folder.filePath(u"fifo"_s)).constData(), 0600), 0);
        QVERIFY(QFile::link(u"/dev/null"_s, folder.filePath(u"null"_s)));
        QVERIFY(QFile::link(folder.filePath(u"loop"_s), folder.filePath(u"loop"_s)));
        QCOMPARE(::symlink(QFile::encodeName(devices.sims[3]->path()).constData(),
                           (QFile::encodeName(folder.path()) + "/\xff").constData()),
                 0);
        Station station(devices, {u"--count"_s, u"4"_s, u"--log"_s, folder.filePath(u"station.log"_s)},
                        u"by-id"_s);
        station.plug(0, u"nostore"_s);
        station.plug(1, u"silent"_s);
        station.plug(2, u"pulled"_s);
        station.plug(3, u"go\nod"_s);
        QTRY_VERIFY_WITH_TIMEOUT(devices.sims[2]->log().contains("<- /W3"), WaitMs);
        devices.sims[2]->pull();
        QCOMPARE(station.finish(), 1);
        QStringList units = station.units();
        units.sort();
        QVERIFY2(units.size() == 4 && units.at(2).contains(QRegularExpression(
                                          u"^pulled FAIL: removed during write, rows 1-\\d+ new$"_s)),
                 qPrintable(units.join(u'\n')));
        QCOMPARE(units.mid(0, 2) + units.mid(3),
                 (QStringList{u"go{0A}od PASS"_s, u"nostore FAIL: rows 1-2, 5, 16 differ"_s,
                              u"silent FAIL: KORVEX not responsing on port silent"_s}));
        // What differs, row by row, under the unit's line.
        QVERIFY(station.out.contains(
            "  row 5: device has no key, no string; file has key ESC, {0D}{0A}{1B}[A{FF}"));
        QCOMPARE(station.records().size(), 4);
        for (const char *ignored :
             {"notes.txt: not a serial device (a regular file)", "fifo: not a serial device (a pipe)",
              "null: not a serial device (a device that is no serial port)",
              "loop: not a serial device (a link that leads to itself)",
              "{FF}: not a serial device (its name is not UTF-8)",
              "station.log: not a serial device (a regular file)"})
            QVERIFY2(station.err.count(QByteArray("ignored ") + ignored) == 1, station.err.constData());
    }

    void watchedLinkReplacedByAFolder()
    {
        // The folder named is a link, later replaced by a folder of its own:
        // the station follows the name, not the folder it first led to.
        Devices devices({QString(), QString()});
        QVERIFY(devices.ok);
        const QString first = devices.file(u"first"_s), watched = devices.file(u"by-id"_s);
        QVERIFY(QDir().mkpath(first) && QFile::link(first, watched));
        Station station(devices, {u"--count"_s, u"2"_s});
        QVERIFY(QFile::remove(watched) && QDir().mkpath(watched));
        station.plug(0, u"one"_s); // maybe seen as part of the folder's own change
        QTRY_COMPARE_WITH_TIMEOUT(station.units().size(), 1, WaitMs);
        station.plug(1, u"two"_s); // seen only by a watch on the new folder
        QCOMPARE(station.finish(), 0);
        QCOMPARE(station.units(), (QStringList{u"one PASS"_s, u"two PASS"_s}));
    }

    void recordsAreWholeLines()
    {
        // A log cut short (a power loss) gets its line end before the next
        // record; a record the disk takes only in part is taken back whole.
        Devices devices({QString(), QString()});
        QVERIFY(devices.ok);
        const QString log = devices.file(u"station.log"_s, "half a rec");
        for (const QString &limits : {u"-f 1"_s, QString()}) {
            const bool full = !limits.isEmpty();
            Station station(devices, {u"--count"_s, u"1"_s, u"--log"_s, log}, {}, limits);
            station.plug(full ? 0 : 1, full ? u"first"_s : u"second"_s);
            QCOMPARE(station.finish(), full ? 1 : 0);
            if (full) {
                QCOMPARE(readFile(log), "half a rec\n"_ba);
                station.unplug(u"first"_s);
            }
        }
        const QByteArrayList lines = readFile(log).split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(QJsonDocument::fromJson(lines.at(1)).object()[u"name"_s].toString(), u"second"_s);
        QVERIFY(lines.at(2).isEmpty());
    }

    void interrupted()
    {
        // Stopped with two units half-way: each stops after its current
        // command, both count as interrupted, and both have their record.
        Devices devices({u"--delay-ms W=40"_s, u"--delay-ms W=40"_s});
        QVERIFY(devices.ok);
        Station station(devices);
        station.plug(0, u"a"_s);
        station.plug(1, u"b"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            devices.sims[0]->log().contains("<- /W2") && devices.sims[1]->log().contains("<- /W2"), WaitMs);
        // A closed terminal: the system's hang-up and the shell's end.
        const auto pid = pid_t(station.process->processId());
        QVERIFY(pid > 0);
        ::kill(pid, SIGHUP);
        ::kill(pid, SIGTERM);
        QCOMPARE(station.finish(), 130);
        QStringList records = station.records();
        records.sort();
        QCOMPARE(records, (QStringList{u"a INTERRUPTED"_s, u"b INTERRUPTED"_s}));
        QVERIFY2(station.err.contains("station: 2 units, 0 passed, 0 failed, 2 interrupted"),
                 station.err.constData());
        for (const auto &sim : devices.sims)
            QTRY_VERIFY(sim->log().contains("-- line closed by the host"));
    }

    void waitForAPort_data()
    {
        QTest::addColumn<bool>("appears");
        QTest::newRow("appears after a second: used") << true;
        QTest::newRow("never appears: status 4 once the wait is up") << false;
    }
    void waitForAPort()
    {
        // In a folder that is not there yet, as /dev/serial/by-id before the
        // first adapter: it cannot be watched until it is.
        QFETCH(bool, appears);
        Devices devices({QString()});
        QVERIFY(devices.ok);
        const QString later = devices.file(u"late/unit"_s);
        auto process =
            devices.start({u"version"_s, u"-p"_s, later, u"--wait"_s, appears ? u"600"_s : u"1"_s});
        QVERIFY(process->waitForStarted(WaitMs));
        if (appears) {
            QTest::qWait(1000); // the port is plugged in a second later
            QVERIFY(QDir().mkpath(devices.file(u"late"_s)) && QFile::link(devices.sims[0]->path(), later));
        }
        QVERIFY(process->waitForFinished(WaitMs));
        const QByteArray out = process->readAllStandardOutput();
        QCOMPARE(process->exitCode(), appears ? 0 : 4);
        QVERIFY2(out.contains(appears ? "KORVEX, version" : "did not appear and answer within 1 s"),
                 out.constData());
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
