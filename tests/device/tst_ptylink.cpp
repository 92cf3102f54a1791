#include "OperationsRig.h"
#include "SimProcess.h"

#include "core/KorvexError.h"
#include "core/Waiter.h"
#include "device/QtSerialLink.h"

#include <QtTest>

#include <ctime>

using namespace Qt::StringLiterals;

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

// The operations, QtSerialLink and QSerialPort in real time against a line
// that dies or floods; the whole stack on a healthy line: tst_korvexctl.
class TestPtyLink : public QObject
{
    Q_OBJECT

private slots:
    void hangup()
    {
        // The probe, then rows 0 and 1; the line dies at row 2. (The same
        // mid-send: tst_korvexctl, "a hang-up mid-write".)
        Program program({u"--hangup-after"_s, u"3"_s});
        QVERIFY(program.sim.started());

        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpuBefore = std::clock();
        program.ops.readRows();
        const qint64 cpuMs = qint64(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;

        const QString shown = program.prompter.prompts.join(u'\n');
        QVERIFY2(shown.startsWith(u"Error retrieve current key overrides - COM1 ("_s) &&
                     !shown.contains(u'\n'),
                 qPrintable(shown));
        const QByteArrayList log = program.model.log().lines();
        QVERIFY(log.contains("Sent /R1[NUL]") && !log.contains("Sent /R3[NUL]"));
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
        QString why;
        try {
            second.open();
        } catch (const KorvexError &error) {
            why = error.description();
        }
        QVERIFY2(why.startsWith(u"COM7 ("_s + other + u") is in use by another program"_s), qPrintable(why));
        first.close();
        second.open(); // free again
    }
};

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
