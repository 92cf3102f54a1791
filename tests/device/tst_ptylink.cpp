#include "SimProcess.h"

#include "core/AppSettings.h"
#include "core/IniFile.h"
#include "core/KeyTable.h"
#include "core/MainModel.h"
#include "core/Waiter.h"
#include "device/DeviceOperations.h"
#include "device/QtSerialLink.h"
#include "keys/KeyStringChecker.h"
#include "keys/KeyStringNotation.h"
#include "support/RecordingPrompter.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/resource.h>

// The whole stack in real time: the operations, QtSerialLink and QSerialPort
// on the simulator's pseudo-terminal, mapped as COM1 through [PORTS].
class TestPtyLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sendVerifyClearAndReadBack();
    void absentDevice_data();
    void absentDevice();
    void hangupMidSend();
    void simulatorKilledMidRead();
    void floodedReadStaysBounded();
};

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The program's side, wired as the window wires it.
struct Program
{
    explicit Program(const QString &iniPath) : port(iniPath) { ops.SetupCommPort(); }

    RecordingPrompter prompter;
    MainModel model;
    KeyStringChecker checker{model.rows(), prompter};
    EventLoopWaiter waiter;
    QtSerialLink port;
    DeviceOperations ops{model, port, waiter, prompter};
};

} // namespace

void TestPtyLink::init()
{
    BuildKeyTable();
    AppSettings.Port = 1;
    AppSettings.Baud = QStringLiteral("9600");
    AppSettings.Parity = QStringLiteral("N"); // a pseudo-terminal has no parity
}

void TestPtyLink::sendVerifyClearAndReadBack()
{
    SimProcess sim({});
    QVERIFY2(sim.error().isEmpty(), qPrintable(sim.error()));
    Program program(sim.iniPath());
    KeyRows &rows = program.model.rows();

    // Every notation form: plain, groups of 0 to 2 digits, space, braces,
    // control and high bytes, empty rows and an unknown key.
    const QByteArrayList names = {"A",   "TAB", "",  "F12", "1", "ENTER", "Z",  " ",
                                  "ESC", "0",   "`", "=",   "P", "",      "F7", "B"};
    const QByteArrayList strings = {"AB",   "{0D}{0A}", "",      "{1}",  "{7B}x",  " x ", "{7}",    "~}",
                                    "{FF}", "123456",   "{{7D}", "{41}", "a{20}b", "",    "{1B}[A", "z{80}"};
    for (int i = 0; i < RowCount; ++i) {
        rows.setKeyName(i, names.at(i));
        rows.setKeyString(i, strings.at(i));
    }
    QCOMPARE(program.prompter.prompts().size(), 1); // "{{7D}" cut back to "{" by the row check
    program.prompter.clear();
    rows.setKeyString(10, "{7B}{7D}");

    program.ops.Command2_Click();
    QCOMPARE(program.prompter.prompts().size(), 0);
    for (int i = 0; i < RowCount; ++i) {
        QVERIFY2(program.model.log().lines().contains("success # " + QByteArray::number(i + 1)),
                 qPrintable(QString::number(i)));
        QCOMPARE(rows.icon(i), RowIcon::CheckMark);
    }
    QVERIFY(!program.port.isOpen());

    program.ops.VerifyBtn_Click();
    QCOMPARE(program.prompter.prompts().size(), 0);
    for (int i = 0; i < RowCount; ++i)
        QCOMPARE(rows.icon(i), RowIcon::CheckMark);

    QList<QByteArray> sentBytes;
    for (int i = 0; i < RowCount; ++i) {
        sentBytes.append(EncodeKeyString(rows.keyString(i)));
        rows.setKeyName(i, QByteArray());
        rows.setKeyString(i, QByteArray());
    }

    program.ops.Command1_Click();
    QCOMPARE(program.prompter.prompts().size(), 0);
    for (int i = 0; i < RowCount; ++i) {
        QCOMPARE(rows.keyName(i), names.at(i));
        QCOMPARE(EncodeKeyString(rows.keyString(i)), names.at(i).isEmpty() ? QByteArray() : sentBytes.at(i));
        QCOMPARE(rows.icon(i), RowIcon::CheckMark);
    }
    QCOMPARE(rows.keyString(0), QByteArray("AB"));
    QCOMPARE(rows.keyString(4), QByteArray("{7B}x"));
    QCOMPARE(rows.keyString(5), QByteArray("{20}x{20}"));
    QCOMPARE(rows.keyString(11), QByteArray("A"));
    QVERIFY(!program.port.isOpen());
    QVERIFY(!program.model.progress().isVisible());
}

void TestPtyLink::absentDevice_data()
{
    QTest::addColumn<bool>("deviceExists");
    QTest::addColumn<QString>("message");

    QTest::newRow("silent device") << true << QString();
    QTest::newRow("no such device") << false
                                    << QStringLiteral("Error checking for KORVEX attachment- COM1 (");
}

void TestPtyLink::absentDevice()
{
    QFETCH(bool, deviceExists);
    QFETCH(QString, message);

    SimProcess sim({QStringLiteral("--silent")});
    QVERIFY2(sim.error().isEmpty(), qPrintable(sim.error()));
    QString ini = sim.iniPath();
    QTemporaryDir elsewhere;
    if (!deviceExists) {
        ini = elsewhere.filePath(QStringLiteral("Korvex.ini"));
        QVERIFY(WriteINI(ini, QStringLiteral("PORTS"), QStringLiteral("COM1"),
                         elsewhere.filePath(QStringLiteral("gone"))));
    }
    Program program(ini);

    program.ops.Command1_Click();

    QCOMPARE(program.prompter.beeps(), 1);
    QCOMPARE(program.model.log().lines().last(), QByteArray("KORVEX not responsing on port COM1"));
    if (message.isEmpty()) {
        QCOMPARE(program.prompter.messages(), QStringList());
        QCOMPARE(program.model.log().line(1),
                 QByteArray("Check for KORVEX attached") + QByteArray(" *").repeated(8));
    } else {
        QCOMPARE(program.prompter.messages().size(), 1);
        QVERIFY2(program.prompter.messages().at(0).startsWith(message),
                 qPrintable(program.prompter.messages().at(0)));
    }
    QVERIFY(!program.model.isBusy());
}

void TestPtyLink::hangupMidSend()
{
    // Probe, then /W and /R of rows 0 and 1; the line dies at row 2's write.
    SimProcess sim({QStringLiteral("--hangup-after"), QStringLiteral("5")});
    QVERIFY2(sim.error().isEmpty(), qPrintable(sim.error()));
    Program program(sim.iniPath());

    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    program.ops.Command2_Click();
    const double cpu = cpuSeconds() - cpuBefore;

    const QStringList messages = program.prompter.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).startsWith(QStringLiteral("Error sending to KORVEX. COM1 (")),
             qPrintable(messages.at(0)));
    QVERIFY(program.model.log().lines().contains("success # 2"));
    QVERIFY(!program.model.log().lines().contains("success # 3"));
    QVERIFY(!program.port.isOpen());
    QVERIFY(!program.model.isBusy());
    // A port spinning on a dead line would burn a core for the whole wait.
    QVERIFY2(cpu < 0.5 * double(wall.elapsed()) / 1000.0, qPrintable(QString::number(cpu)));

    // The next operation reports the dead line once more and is not stuck.
    program.ops.GetCodeVersion();
    QVERIFY(program.prompter.messages().size() >= 2);
    QVERIFY(!program.model.isBusy());
}

void TestPtyLink::simulatorKilledMidRead()
{
    SimProcess sim({});
    QVERIFY2(sim.error().isEmpty(), qPrintable(sim.error()));
    Program program(sim.iniPath());
    // Killed once the read is under way, during one of its row waits.
    connect(&program.model.log(), &StatusLog::rowsInserted, this, [&] {
        if (program.model.log().lines().last() == "Sent /R2[NUL]")
            sim.kill();
    });

    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    program.ops.Command1_Click();
    const double cpu = cpuSeconds() - cpuBefore;

    const QStringList messages = program.prompter.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).startsWith(QStringLiteral("Error retrieve current key overrides - COM1 (")),
             qPrintable(messages.at(0)));
    QVERIFY2(messages.at(0).contains(QStringLiteral("stopped working")), qPrintable(messages.at(0)));
    QCOMPARE(program.model.log().lines().last(), QByteArray("Sent /R2[NUL]"));
    QVERIFY(!program.port.isOpen());
    QVERIFY(!program.model.isBusy());
    QVERIFY2(cpu < 0.5 * double(wall.elapsed()) / 1000.0, qPrintable(QString::number(cpu)));
}

void TestPtyLink::floodedReadStaysBounded()
{
    SimProcess sim({QStringLiteral("--flood")});
    QVERIFY2(sim.error().isEmpty(), qPrintable(sim.error()));
    Program program(sim.iniPath());

    program.ops.Command1_Click();

    // At most one message per row, never one per byte.
    const QStringList messages = program.prompter.messages();
    QVERIFY(!messages.isEmpty());
    QVERIFY(messages.size() <= RowCount);
    for (const QString &message : messages)
        QVERIFY2(message.endsWith(QStringLiteral(" is too long .. max string length is 6 chars")),
                 qPrintable(message));
    QCOMPARE(program.model.rows().keyString(0), QByteArray("BCDEFG"));
    for (const QByteArray &line : program.model.log().lines())
        QVERIFY(line.size() <= QByteArray("Response: {FF}").size() + QtSerialLink::ReadBufferLimit);
    QVERIFY(!program.port.isOpen());
}

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
