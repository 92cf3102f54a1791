// korvexctl.exe as an operator on Windows runs it, under Wine, against
// simulated devices reached as COM1, COM2 ... of the Wine prefix.
#include "WineRig.h"

#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace WineRig;

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
        const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
        // clang-format off
        QTest::newRow("help, with what Windows changes") << args("--help") << 0
            << u"^Usage: korvexctl COMMAND.*On Windows, PORT is COM1 \\.\\.\\. COM255"_s << u"^$"_s << false;
        // Its path, with accents, shown as typed.
        QTest::newRow("a bad file reaches no device") << args("write FILE -p COM1") << 2 << u"^$"_s
            << u"^korvexctl: Z:\\S+\\\\Prüfstand\\\\in\\.cfg: line 2: row number 17 is not between 1 and 16\n"
               "korvexctl: \\S+: line 3: unknown key name \"QQ\" for row 3; did you mean \"Q\"\\?\n"
               "korvexctl: \\S+: line 4: \\{c7\\} only 2 HEX chars allowed within brackets \\(like \\{C7\\}\\) \\(hex digits"_s << false;
        QTest::newRow("unusable settings reach no device") << args("version -p COM1 --settings BAD_INI") << 2 << u"^$"_s
            << u"^korvexctl: \\S+bad\\.ini: Error setting up comm port - invalid port settings \"96oo,N,8,2\": baud rate"_s << false;
        QTest::newRow("a COM port Windows does not have") << args("version -p COM42") << 4
            << u"^COM42: version FAILED: COM42 does not exist on this computer\\."_s << u"^$"_s << false;
        QTest::newRow("no COM port that high") << args("version -p COM256") << 2 << u"^$"_s << u"no port \"COM256\""_s << false;
        QTest::newRow("list: the ports, not a byte sent") << args("list") << 0
            << u"^(.*\n)?COM1( .*)?\nCOM2( .*)?\n"_s << u"^$"_s << false;
        QTest::newRow("read to standard output, the result on standard error") << args("read -p COM1 --timing reply") << 0
            << u"^#Moravelle KORVEX configuration file\r\n"_s << u"^COM1: read ok, 16/16 rows answered\n$"_s << true;
        // clang-format on
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
};

QTEST_GUILESS_MAIN(TestWineKorvexctl)
#include "tst_wine_korvexctl.moc"
