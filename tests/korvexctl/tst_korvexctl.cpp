#include "core/IniFile.h"
#include "core/KeyRows.h"
#include "files/CfgFormat.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int WaitMs = 60000;

// Rows 1, 2, 5 and 16 set, every notation form the device stores as is.
const QByteArray Rows = "#written by hand\n01\tF1\t{C7}\tfirst\n02\tA\tAB\n05\tESC\t{0D}{0A}\n16\tF12\txyz\n";

struct Run
{
    int exit = -1;
    QByteArray out;
    QByteArray err;
};

// Simulated devices, each on its own pseudo-terminal and mapped as COM1,
// COM2 ... in a settings file of their own; each logs what it receives.
class Devices
{
public:
    explicit Devices(const QStringList &faults)
    {
        for (int i = 0; i < faults.size(); ++i) {
            auto &sim = m_sims.emplace_back(std::make_unique<QProcess>());
            sim->start(QStringLiteral(KORVEX_SIM_PATH),
                       QStringList{u"--log"_s} + faults.at(i).split(u' ', Qt::SkipEmptyParts));
            while (!sim->canReadLine() && sim->waitForReadyRead(WaitMs)) {
            }
            const QString pty = QString::fromLocal8Bit(sim->readLine()).trimmed();
            m_ok = m_ok && !pty.isEmpty() && WriteINI(ini(), u"PORTS"_s, u"COM%1"_s.arg(i + 1), pty);
            m_ptys << pty;
        }
    }
    ~Devices()
    {
        for (auto &sim : m_sims) {
            sim->terminate();
            sim->waitForFinished(WaitMs);
        }
    }

    bool ok() const { return m_ok; }
    QString ini() const { return m_dir.filePath(u"Korvex.ini"_s); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString pty(int com) const { return m_ptys.value(com - 1); }
    // What device `com` was sent, and what it did, so far.
    QByteArray log(int com) { return m_logs[com] += m_sims.at(std::size_t(com - 1))->readAllStandardError(); }

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
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1, process->readAllStandardOutput(),
                process->readAllStandardError()};
    }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_sims;
    QStringList m_ptys;
    QMap<int, QByteArray> m_logs;
    bool m_ok = true;
};

// A .cfg file as the window's Save writes it, with its date line masked.
QByteArray withoutDate(QByteArray cfg)
{
    const qsizetype start = cfg.indexOf("\r\n") + 2;
    return cfg.replace(start, cfg.indexOf("\r\n", start) - start, "#File written <date>");
}

QByteArray savedByTheWindow(const QByteArray &records)
{
    KeyRows rows;
    for (const QByteArray &line : records.split('\n')) {
        const QByteArrayList fields = line.split('\t');
        if (fields.size() > 2 && !line.startsWith('#')) {
            rows.setKeyName(fields.at(0).toInt() - 1, fields.at(1));
            rows.setKeyString(fields.at(0).toInt() - 1, fields.at(2));
        }
    }
    return withoutDate(CfgFileBytes(rows, "x"));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestKorvexctl : public QObject
{
    Q_OBJECT

private slots:
    void fourDevicesAtOnce()
    {
        // One absent, one that acknowledges rows but does not store them,
        // one that answers near the protocol's limits: the others are
        // unaffected, each gets its own status, the worst wins; reply timing
        // gets the slow one right.
        Devices devices({{}, u"--ack-no-store"_s, u"--silent"_s, u"--delay-ms z=240 --delay-ms R=90 --delay-ms W=90"_s});
        QVERIFY(devices.ok());
        const QString cfg = devices.file(u"rows.cfg"_s);
        QFile rowsFile(cfg);
        QVERIFY(rowsFile.open(QIODevice::WriteOnly) && rowsFile.write(Rows) == Rows.size() && rowsFile.flush());
        const QStringList all = {u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s, u"-p"_s, u"COM3"_s, u"-p"_s, u"COM4"_s};

        const Run write = devices.run(QStringList{u"write"_s, cfg} + all);
        QCOMPARE(write.exit, 3);
        const auto line = [&](int com, const QString &text) {
            return QStringLiteral("COM%1 %2: %3").arg(com).arg(devices.pty(com), text).toUtf8();
        };
        QCOMPARE(write.out.split('\n'),
                 (QByteArrayList{line(1, u"write ok, 16/16 rows verified"_s),
                                 line(2, u"write FAILED, 12/16 rows verified"_s),
                                 "  row 1: device has no key, no string; file has key F1, {C7}",
                                 "  row 2: device has no key, no string; file has key A, AB",
                                 "  row 5: device has no key, no string; file has key ESC, {0D}{0A}",
                                 "  row 16: device has no key, no string; file has key F12, xyz",
                                 line(3, u"write FAILED: KORVEX not responsing on port COM3"_s),
                                 line(4, u"write ok, 16/16 rows verified"_s), ""}));

        const Run verify = devices.run(QStringList{u"verify"_s, cfg, u"--json"_s, u"--timing"_s, u"reply"_s} + all);
        QCOMPARE(verify.exit, 3);
        QStringList seen;
        for (const QByteArray &json : verify.out.trimmed().split('\n')) {
            const QJsonObject device = QJsonDocument::fromJson(json).object();
            QString verified;
            for (const QJsonValue row : device.value(u"rows"_s).toArray())
                verified += row[u"verified"_s].isNull() ? u'-' : row[u"verified"_s].toBool() ? u'y' : u'n';
            seen << QStringList{device[u"port"_s].toString(), device[u"device"_s].toString(),
                                device[u"operation"_s].toString(), device[u"ok"_s].toBool() ? u"ok"_s : u"not ok"_s,
                                device[u"version"_s].isNull() ? u"null"_s : u"?"_s, verified,
                                device[u"error"_s].toString()}
                        .join(u'|');
        }
        const QString all16 = QString(16, u'y');
        QCOMPARE(seen, (QStringList{u"COM1|%1|verify|ok|null|%2|"_s.arg(devices.pty(1), all16),
                                    u"COM2|%1|verify|not ok|null|nnyynyyyyyyyyyyn|4 of 16 rows failed"_s.arg(devices.pty(2)),
                                    u"COM3|%1|verify|not ok|null|----------------|KORVEX not responsing on port COM3"_s.arg(devices.pty(3)),
                                    u"COM4|%1|verify|ok|null|%2|"_s.arg(devices.pty(4), all16)}));

        // One file per device that answered, byte for byte what the window saves.
        const QString folder = devices.file(u"read"_s);
        const Run read = devices.run(QStringList{u"read"_s, u"-o"_s, folder, u"--timing"_s, u"reply"_s} + all);
        QCOMPARE(read.exit, 3);
        QCOMPARE(withoutDate(readFile(QDir(folder).filePath(u"COM1.cfg"_s))), savedByTheWindow(Rows));
        QCOMPARE(withoutDate(readFile(QDir(folder).filePath(u"COM2.cfg"_s))), savedByTheWindow({}));
        QCOMPARE(withoutDate(readFile(QDir(folder).filePath(u"COM4.cfg"_s))), savedByTheWindow(Rows));
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{u"COM1.cfg"_s, u"COM2.cfg"_s, u"COM4.cfg"_s}));
    }

    void commands_data()
    {
        // COM1 a device, COM2 nothing; stdout and stderr as regular expressions.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
        QTest::newRow("version") << args("version -p COM1") << 0 << u"^COM1 \\S+: KORVEX, version KORVEX 2.14\n$"_s << u"^$"_s;
        QTest::newRow("a device path that is no serial port")
            << args("version -p /dev/null") << 4 << u"^/dev/null: version FAILED: /dev/null"_s << u"^$"_s;
        QTest::newRow("list the given ports, answered or not")
            << args("list -p COM1 -p COM2 --json") << 0
            << u"^\\{.*\"answered\":true.*\"port\":\"COM1\".*\\}\n\\{.*\"answered\":false.*\"port\":\"COM2\""_s << u"^$"_s;
        QTest::newRow("read to standard output, the result on standard error")
            << args("read -p COM1 --timing reply") << 0 << u"^#Moravelle KORVEX configuration file\r\n"_s
            << u"^COM1 \\S+: read ok, 16/16 rows answered\n$"_s;
        QTest::newRow("no command") << QStringList() << 2 << u"^$"_s << u"no command given.*\nTry 'korvexctl --help'"_s;
        QTest::newRow("write wants a file") << args("write -p COM1") << 2 << u"^$"_s << u"write wants one .cfg file"_s;
        QTest::newRow("no such port") << args("read -p COM9") << 2 << u"^$"_s << u"no port \"COM9\""_s;
        QTest::newRow("several devices to standard output")
            << args("read -p COM1 -p COM2") << 2 << u"^$"_s << u"name a folder"_s;
        QTest::newRow("bad timing") << args("version -p COM1 --timing fast") << 2 << u"^$"_s << u"--timing wants"_s;
        QTest::newRow("help") << args("--help") << 0 << u"Exit status.*130  interrupted"_s << u"^$"_s;
    }
    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        Devices devices({{}, u"--silent"_s});
        QVERIFY(devices.ok());
        const Run run = devices.run(args);
        QCOMPARE(run.exit, exit);
        const QRegularExpression::PatternOption dotAll = QRegularExpression::DotMatchesEverythingOption;
        QVERIFY2(QRegularExpression(out, dotAll).match(QString::fromUtf8(run.out)).hasMatch(), run.out.constData());
        QVERIFY2(QRegularExpression(err, dotAll).match(QString::fromUtf8(run.err)).hasMatch(), run.err.constData());
    }

    void badFileReachesNoDevice()
    {
        // Every fault of the file with its line, and not one byte on any wire.
        Devices devices({{}, {}});
        QVERIFY(devices.ok());
        const QString cfg = devices.file(u"bad.cfg"_s);
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("01\tF1\tok\n17\tA\n03\tQQ\n04\tA\t{c7}\n") && file.flush());
        const Run run = devices.run({u"write"_s, cfg, u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s});
        QCOMPARE(run.exit, 2);
        QCOMPARE(run.out, QByteArray());
        const QByteArray prefix = "korvexctl: " + cfg.toUtf8() + ": line ";
        QCOMPARE(run.err.split('\n'),
                 (QByteArrayList{prefix + "2: Error extracting info from config file. row number 17 is not between 1 and 16",
                                 prefix + "4: {c7} only 2 HEX chars allowed within brackets (like {C7})",
                                 prefix + "3: unknown key name \"QQ\" for row 3", ""}));
        QVERIFY(!devices.log(1).contains("<-") && !devices.log(2).contains("<-"));
    }

    void interruptedWrite()
    {
        // Ctrl+C once the second row has been sent: both devices stop between
        // commands, their ports are closed, both are named incomplete.
        Devices devices({{}, {}});
        QVERIFY(devices.ok());
        const QString cfg = devices.file(u"rows.cfg"_s);
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(Rows) && file.flush());
        auto process = devices.start({u"write"_s, cfg, u"-p"_s, u"COM1"_s, u"-p"_s, u"COM2"_s});
        QVERIFY(process->waitForStarted(WaitMs));
        while (!devices.log(1).contains("<- /W1")) {
            QVERIFY(process->state() == QProcess::Running);
            QTest::qWait(20);
        }
        ::kill(pid_t(process->processId()), SIGINT);
        QVERIFY(process->waitForFinished(WaitMs));
        QCOMPARE(process->exitCode(), 130);
        const QByteArray out = process->readAllStandardOutput();
        QVERIFY2(out.count("write interrupted after") == 2 && out.contains(": the device is incomplete"), out.constData());
        for (int com : {1, 2}) {
            QTRY_VERIFY(devices.log(com).endsWith("korvex-sim: -- line closed by the host\n"));
            QVERIFY(!devices.log(com).contains("<- /W?"));
        }
    }
};

QTEST_GUILESS_MAIN(TestKorvexctl)
#include "tst_korvexctl.moc"
