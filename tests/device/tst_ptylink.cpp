#include "SimProcess.h"

#include "OperationsRig.h"

#include "core/Waiter.h"
#include "device/QtSerialLink.h"
#include "keys/KeyStringNotation.h"

#include <QElapsedTimer>
#include <QTest>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

// The real port and waiter, on the simulator's terminal.
struct Program : OperationsRig
{
    explicit Program(const QStringList &simArgs)
        : OperationsRig(port, waiter), sim(simArgs), port(sim.iniPath())
    {
        ops.SetupCommPort(Com1);
    }
    void fill(const QByteArrayList &rows)
    {
        for (int i = 0; i < RowCount; ++i)
            setRow(i, rows.value(i));
    }
    // Each row as key|bytes|icon.
    QByteArrayList rows() const
    {
        QByteArrayList all;
        for (int i = 0; i < RowCount; ++i) {
            const QByteArrayList parts = row(i).split('|');
            all << parts.at(0) + '|' + EncodeKeyString(parts.at(1)) + '|' + parts.at(2);
        }
        return all;
    }

    SimProcess sim;
    EventLoopWaiter waiter;
    QtSerialLink port;
};

} // namespace

// The whole stack in real time: the operations, QtSerialLink and QSerialPort
// against korvex-sim on a pseudo-terminal, mapped as COM1 through [PORTS].
class TestPtyLink : public QObject
{
    Q_OBJECT

private slots:
    void sendVerifyClearAndReadBack()
    {
        Program program({});
        QVERIFY(program.sim.started());
        // Every notation form: plain, groups of 0 to 2 digits, space, braces,
        // control and high bytes, and rows without a key.
        program.fill({"A|AB", "TAB|{0D}{0A}", "", "F12|{1}", "1|{7B}x", "ENTER| x ", "Z|{7}", " |~}",
                      "ESC|{FF}", "0|123456", "`|{7B}{7D}", "=|{41}", "P|a{20}b", "", "F7|{1B}[A",
                      "B|z{80}"});
        QByteArrayList percents;
        connect(&program.model.progress(), &ProgressModel::changed, this, [&] {
            const QByteArray text = program.model.progress().percentText().toLatin1();
            if (program.model.progress().isVisible() && text.endsWith('%') && !percents.endsWith(text))
                percents << text;
        });
        QByteArrayList expected = program.rows();
        for (QByteArray &row : expected)
            row.back() = 'v';

        program.ops.sendRows();
        QCOMPARE(program.rows(), expected); // each row acknowledged and read back
        program.ops.verifyRows();
        QCOMPARE(program.rows(), expected);
        program.fill({});
        program.ops.readRows();
        QCOMPARE(program.rows(), expected);
        const QByteArrayList steps = {"0%",  "6%",  "13%", "20%", "26%", "33%", "40%", "46%",
                                      "53%", "60%", "66%", "73%", "80%", "86%", "93%", "100%"};
        QCOMPARE(percents, steps + steps); // sending, then reading
        QVERIFY(!program.model.progress().isVisible());
        QVERIFY(program.prompter.prompts.isEmpty());
        QVERIFY(!program.port.isOpen());
    }

    void hangup_data()
    {
        QTest::addColumn<bool>("send");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("lastDone");
        QTest::addColumn<QByteArray>("notDone");
        // The probe, then rows 0 and 1; the line dies at row 2.
        QTest::newRow("mid-send") << true << u"Error sending to KORVEX. COM1 ("_s << "success # 2"_ba << "success # 3"_ba;
        QTest::newRow("mid-read") << false << u"Error retrieve current key overrides - COM1 ("_s << "Sent /R1[NUL]"_ba
                                  << "Sent /R3[NUL]"_ba;
    }

    void hangup()
    {
        QFETCH(bool, send);
        QFETCH(QString, message);
        QFETCH(QByteArray, lastDone);
        QFETCH(QByteArray, notDone);
        Program program({u"--hangup-after"_s, send ? u"5"_s : u"3"_s});
        QVERIFY(program.sim.started());

        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpuBefore = std::clock();
        send ? program.ops.sendRows() : program.ops.readRows();
        const qint64 cpuMs = qint64(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;

        const QString shown = program.prompter.prompts.join(u'\n');
        QVERIFY2(shown.startsWith(message) && !shown.contains(u'\n'), qPrintable(shown));
        const QByteArrayList log = program.model.log().lines();
        QVERIFY(log.contains(lastDone) && !log.contains(notDone));
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
};

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
