// korvexctl station through real simulators: units "plugged in" as links in
// a folder it watches, as udev makes them under /dev/serial/by-id.
#include "SimDevices.h"

#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// A station over the settings' folder: units appear as links in by-id/,
// which, as udev does, makes the folder only with the first unit; their
// records go to station.log.
struct Station
{
    explicit Station(Devices &devices, const QStringList &options = {}) : devices(devices)
    {
        cfg = devices.file(u"rows.cfg"_s, rows());
        process = devices.start(
            QStringList{u"station"_s, cfg, u"--watch"_s, watch(), u"--log"_s, log(), u"--settle"_s, u"50"_s} +
            options);
        QObject::connect(process.get(), &QProcess::readyReadStandardOutput,
                         [this] { out += process->readAllStandardOutput(); });
        QObject::connect(process.get(), &QProcess::readyReadStandardError,
                         [this] { err += process->readAllStandardError(); });
        // Only once it watches: the folder is not there yet, so it watches the
        // folder's parent until the first unit makes it.
        QTRY_VERIFY_WITH_TIMEOUT(err.contains("watching"), WaitMs);
    }
    QString watch() const { return devices.dir.filePath(u"by-id"_s); }
    QString log() const { return devices.dir.filePath(u"station.log"_s); }
    // Plugs sim n in under a stable name.
    void plug(int n, const QString &name) const
    {
        QDir().mkpath(watch());
        QFile::link(devices.sims[std::size_t(n)]->path(), QDir(watch()).filePath(name));
    }
    void unplug(const QString &name) const { QFile::remove(QDir(watch()).filePath(name)); }
    // The lines of units that ended, in order: "name PASS" or "name FAIL: why".
    QStringList units() const
    {
        QStringList seen;
        for (const QString &line : QString::fromUtf8(out).split(u'\n')) {
            const QRegularExpressionMatch unit =
                QRegularExpression(u"^#\\d+ \\d\\d:\\d\\d:\\d\\d (\\S+) \\S.* (PASS|FAIL|INTERRUPTED)(.*)$"_s)
                    .match(line);
            if (unit.hasMatch())
                seen << unit.captured(1) + u' ' + unit.captured(2) + unit.captured(3);
        }
        return seen;
    }
    // Each record of the log: "name result".
    QStringList records() const
    {
        QStringList seen;
        for (const QByteArray &line : readFile(log()).split('\n')) {
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            if (!record.isEmpty())
                seen << record[u"name"_s].toString() + u' ' + record[u"result"_s].toString();
        }
        return seen;
    }
    int finish()
    {
        process->waitForFinished(WaitMs);
        out += process->readAllStandardOutput();
        err += process->readAllStandardError();
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }

    Devices &devices;
    QString cfg;
    std::unique_ptr<QProcess> process;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private slots:
    void unitsOneAfterAnotherThenTogether()
    {
        // Three units one after another, then two at once: each programmed
        // and verified once, each with its line and its record, every device
        // holding the file's rows. A unit left plugged in is not programmed
        // again when another comes; unplugged and plugged in again at once (as
        // fast as the station may see the two as one change), once more.
        Devices devices(QStringList(5, QString()));
        QVERIFY(devices.ok);
        Station station(devices, {u"--count"_s, u"6"_s});
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
        QStringList units = station.units();
        QCOMPARE(units.mid(0, 4),
                 (QStringList{u"unit1 PASS"_s, u"unit2 PASS"_s, u"unit3 PASS"_s, u"unit1 PASS"_s}));
        units.sort();
        const QStringList passed{u"unit1 PASS"_s, u"unit1 PASS"_s, u"unit2 PASS"_s,
                                 u"unit3 PASS"_s, u"unit4 PASS"_s, u"unit5 PASS"_s};
        QCOMPARE(units, passed);
        QStringList records = station.records();
        records.sort();
        QCOMPARE(records, passed);
        for (const auto &sim : devices.sims)
            QCOMPARE(devices.run({u"verify"_s, station.cfg, u"-p"_s, sim->path()}).exit, 0);
    }

    void unitsThatFail()
    {
        // One that does not store, a silent one, one pulled out mid-write:
        // each says why, and the one beside them is unaffected.
        Devices devices({u"--ack-no-store"_s, u"--silent"_s, u"--delay-ms W=40"_s, QString()});
        QVERIFY(devices.ok);
        Station station(devices, {u"--count"_s, u"4"_s});
        station.plug(0, u"nostore"_s);
        station.plug(1, u"silent"_s);
        station.plug(2, u"pulled"_s);
        station.plug(3, u"good"_s);
        QTRY_VERIFY_WITH_TIMEOUT(devices.sims[2]->log().contains("<- /W3"), WaitMs);
        devices.sims[2]->pull();
        QCOMPARE(station.finish(), 1);
        QStringList units = station.units();
        units.sort();
        QVERIFY2(units.size() == 4 && units.at(2).contains(QRegularExpression(
                                          u"^pulled FAIL: removed during write, rows 1-\\d+ new$"_s)),
                 qPrintable(units.join(u'\n')));
        QCOMPARE(units.mid(0, 2) + units.mid(3),
                 (QStringList{u"good PASS"_s, u"nostore FAIL: rows 1-2, 5, 16 differ"_s,
                              u"silent FAIL: no answer: KORVEX not responsing on port silent"_s}));
        // What differs, row by row, under the unit's line.
        QVERIFY(station.out.contains(
            "  row 5: device has no key, no string; file has key ESC, {0D}{0A}{1B}[A{FF}"));
        QCOMPARE(station.records().size(), 4);
    }

    void interrupted()
    {
        // Ctrl+C with two units half-way: each stops after its current
        // command, both count as interrupted, and both have their record.
        Devices devices({u"--delay-ms W=40"_s, u"--delay-ms W=40"_s});
        QVERIFY(devices.ok);
        Station station(devices);
        station.plug(0, u"a"_s);
        station.plug(1, u"b"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            devices.sims[0]->log().contains("<- /W2") && devices.sims[1]->log().contains("<- /W2"), WaitMs);
        ::kill(pid_t(station.process->processId()), SIGINT);
        QCOMPARE(station.finish(), 1);
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
        QFETCH(bool, appears);
        Devices devices({QString()});
        QVERIFY(devices.ok);
        const QString later = devices.file(u"later"_s);
        auto process = devices.start({u"version"_s, u"-p"_s, later, u"--wait"_s, appears ? u"10"_s : u"1"_s});
        QVERIFY(process->waitForStarted(WaitMs));
        if (appears) {
            QTest::qWait(1000); // the port is plugged in a second later
            QVERIFY(QFile::link(devices.sims[0]->path(), later));
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
