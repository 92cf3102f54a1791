#include "OperationsRig.h"
#include "SimProcess.h"

#include "core/KorvexError.h"
#include "core/Waiter.h"
#include "device/QtSerialLink.h"

#include <QtTest>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

// The real port and waiter, on the simulator's terminal mapped as COM1
// through [PORTS].
struct Program : OperationsRig
{
    explicit Program(const QStringList &simArgs) : OperationsRig(port, waiter), sim(simArgs)
    {
        ops.SetupCommPort(Com1);
    }

    SimProcess sim;
    EventLoopWaiter waiter;
    QtSerialLink port{SettingsFile(sim.iniPath())};
};

} // namespace

// The operations, QtSerialLink and QSerialPort in real time against a line
// that dies or floods; the whole stack on a healthy line: tst_korvexctl.
class TestPtyLink : public QObject
{
    Q_OBJECT

private slots:
    void hangup_data()
    {
        QTest::addColumn<bool>("send");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("lastDone");
        QTest::addColumn<QByteArray>("notDone");
        // The probe, then rows 0 and 1; the line dies at row 2.
        // clang-format off
        QTest::newRow("mid-send") << true << u"Error sending to KORVEX. COM1 ("_s << "success # 2"_ba << "success # 3"_ba;
        QTest::newRow("mid-read") << false << u"Error retrieve current key overrides - COM1 ("_s << "Sent /R1[NUL]"_ba << "Sent /R3[NUL]"_ba;
        // clang-format on
    }

    void hangup()
    {
        QFETCH(bool, send);
        QFETCH(QString, message);
        QFETCH(QByteArray, lastDone);
        QFETCH(QByteArray, notDone);
        Program program({u"--hangup-after"_s, send ? u"5"_s : u"3"_s, u"--log"_s});
        QVERIFY(program.sim.started());
        program.setRow(0, {"TAB", "A"});

        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpuBefore = std::clock();
        send ? program.ops.sendRows(program.screen()) : program.ops.readRows();
        const qint64 cpuMs = qint64(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;

        const QString shown = program.prompter.prompts.join(u'\n');
        QVERIFY2(shown.startsWith(message) && !shown.contains(u'\n'), qPrintable(shown));
        const QByteArrayList log = program.model.log().lines();
        QVERIFY(log.contains(lastDone) && !log.contains(notDone));
        // The simulator writes the scancode as the status log does, {D}.
        if (send)
            QTRY_VERIFY(
                program.sim.log().contains("<- /W0{D}A[NUL]\nkorvex-sim: -> {06}0\nkorvex-sim: <- /R0[NUL]\n"
                                           "korvex-sim: -> {D}A[NUL]\n"));
        QVERIFY(!program.port.isOpen());
        // A port spinning on a dead line would burn a core for the whole wait.
        QVERIFY2(cpuMs < wall.elapsed() / 2, qPrintable(QString::number(cpuMs)));
    }

    void floodedReadStaysBounded()
    {
        // Every read answered with 1 MiB and no 0x00.
        Program program({u"--flood"_s});
        QVERIFY(program.sim.started());

        program.ops.readRows();

        // At most one message per row, never one per byte.
        const QStringList messages = program.prompter.prompts;
        QVERIFY(!messages.isEmpty() && messages.size() <= RowCount);
        for (const QString &message : messages)
            QVERIFY2(message.endsWith(u" is too long .. max string length is 6 chars"_s),
                     qPrintable(message));
        QCOMPARE(program.model.rows().keyString(0), "BCDEFG"_ba);
        for (const QByteArray &line : program.model.log().lines())
            QVERIFY(line.size() <= 20 + QtSerialLink::ReadBufferLimit);
    }

    void oneDeviceIsOpenedOnce()
    {
        // The same terminal by another name (a link, as under
        // /dev/serial/by-id) is the same device: a second program, or a
        // second thread, finds it in use, even as root.
        Program program({});
        QVERIFY(program.sim.started());
        QTemporaryDir dir;
        const QString other = dir.filePath(u"by-id"_s);
        QVERIFY(QFile::link(program.sim.path(), other));
        QtSerialLink first{SettingsFile(QString())}, second{SettingsFile(QString())};
        first.setDevice(program.sim.path());
        second.setDevice(other, u"COM7"_s);
        first.open();
        try {
            second.open();
            QFAIL("opened twice");
        } catch (const KorvexError &error) {
            QVERIFY2(
                error.description().startsWith(u"COM7 ("_s + other + u") is in use by another program"_s),
                qPrintable(error.description()));
        }
        first.close();
        second.open(); // free again
    }
};

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
