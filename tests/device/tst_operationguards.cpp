#include "DeviceRig.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

// What keeps the device operations apart from each other and from the
// window's end: one at a time, set-up deferred, shutdown, a vanished port.
class TestOperationGuards : public QObject
{
    Q_OBJECT

private slots:
    void secondOperationIsRefused_data();
    void secondOperationIsRefused();
    void refusedWhileAMessageIsOpen();
    void setupDuringAnOperationWaitsForItsEnd();
    void shutdownEndsQuietly_data();
    void shutdownEndsQuietly();
    void vanishedPortEndsWithTheOperationsMessage_data();
    void vanishedPortEndsWithTheOperationsMessage();
};

namespace {

using Operation = void (DeviceOperations::*)();

struct Named
{
    const char *name;
    Operation operation;
};

const Named Operations[] = {
    {"read", &DeviceOperations::Command1_Click},
    {"send", &DeviceOperations::Command2_Click},
    {"verify", &DeviceOperations::VerifyBtn_Click},
    {"version", &DeviceOperations::GetCodeVersion},
};

void addOperationColumns()
{
    QTest::addColumn<Operation>("outer");
}

} // namespace

void TestOperationGuards::secondOperationIsRefused_data()
{
    addOperationColumns();
    QTest::addColumn<Operation>("inner");
    for (const Named &outer : Operations) {
        for (const Named &inner : Operations)
            QTest::addRow("%s during %s", inner.name, outer.name) << outer.operation << inner.operation;
    }
}

void TestOperationGuards::secondOperationIsRefused()
{
    QFETCH(Operation, outer);
    QFETCH(Operation, inner);

    DeviceRig rig;
    QSignalSpy busy(&rig.model, &MainModel::busyChanged);
    bool tried = false;
    bool changedNothing = false;
    rig.onTick([&](qint64 now) {
        if (tried || now < 20)
            return;
        tried = true;
        const QByteArrayList log = rig.log();
        const qsizetype writes = rig.port.writes().size();
        const QString label = rig.model.text(MainModel::Text::CodeLabel);
        (rig.ops.*inner)();
        changedNothing = rig.model.isBusy() && rig.log() == log && rig.port.writes().size() == writes &&
                         rig.model.text(MainModel::Text::CodeLabel) == label;
    });

    (rig.ops.*outer)();

    QVERIFY(tried);
    QVERIFY(changedNothing);
    QVERIFY(!rig.model.isBusy());
    QCOMPARE(busy.size(), 2);
    QVERIFY(rig.prompter.prompts().isEmpty());

    // Once the first has ended, the second runs.
    rig.onTick([](qint64) {});
    const qsizetype writes = rig.port.writes().size();
    (rig.ops.*inner)();
    QVERIFY(rig.port.writes().size() > writes);
}

void TestOperationGuards::refusedWhileAMessageIsOpen()
{
    DeviceRig rig;
    rig.model.rows().setKeyName(0, "A");
    rig.device.rows.at(0) = {0x1B, ""};
    qsizetype writesDuringMessage = -1;
    rig.prompter.onPrompt = [&](const RecordingPrompter::Prompt &) {
        const qsizetype before = rig.port.writes().size();
        rig.ops.Command1_Click();
        writesDuringMessage = rig.port.writes().size() - before;
    };

    rig.ops.VerifyBtn_Click();

    QCOMPARE(rig.prompter.messages(),
             QStringList{QStringLiteral("#1 keyboard keyidentifier does not match screen")});
    QCOMPARE(writesDuringMessage, 0);
    QCOMPARE(rig.model.rows().keyName(0), QByteArray("A"));
}

void TestOperationGuards::setupDuringAnOperationWaitsForItsEnd()
{
    DeviceRig rig;
    rig.ops.SetupCommPort();
    bool stillOpen = false;
    QString labelDuring;
    rig.onTick([&](qint64 now) {
        if (now != 505)
            return;
        AppSettings.Port = 3;
        rig.ops.SetupCommPort();
        stillOpen = rig.port.isOpen();
        labelDuring = rig.model.text(MainModel::Text::CommLabel);
    });

    rig.ops.Command1_Click();

    QVERIFY(stillOpen);
    QCOMPARE(labelDuring, QStringLiteral("COM1"));
    QCOMPARE(rig.port.writes().size(), 1 + 16); // the read went on to its last row
    QCOMPARE(rig.port.portNumber(), 3);
    QCOMPARE(rig.model.text(MainModel::Text::CommLabel), QStringLiteral("COM3"));
}

void TestOperationGuards::shutdownEndsQuietly_data()
{
    addOperationColumns();
    QTest::addColumn<qint64>("at");
    for (const Named &op : Operations) {
        QTest::addRow("%s, in the attachment check", op.name) << op.operation << qint64(3);
        QTest::addRow("%s, after it", op.name) << op.operation << qint64(20);
    }
}

void TestOperationGuards::shutdownEndsQuietly()
{
    QFETCH(Operation, outer);
    QFETCH(qint64, at);

    DeviceRig rig;
    rig.device.latencyMs = 4; // the probe answer comes after the abort at 3 ms
    qsizetype waitsAtAbort = -1;
    rig.onTick([&](qint64 now) {
        if (now >= at) {
            waitsAtAbort = rig.waiter.delays().size();
            throw OperationAborted();
        }
    });

    (rig.ops.*outer)();

    QVERIFY(rig.prompter.prompts().isEmpty());
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.model.isBusy());
    QCOMPARE(rig.waiter.delays().size(), waitsAtAbort); // nothing waited after the abort
}

void TestOperationGuards::vanishedPortEndsWithTheOperationsMessage_data()
{
    addOperationColumns();
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("lastLog");
    QTest::newRow("read") << Operations[0].operation
                          << QStringLiteral("Error retrieve current key overrides - ")
                          << QByteArray("Sent /R0[NUL]");
    QTest::newRow("send") << Operations[1].operation << QStringLiteral("Error sending to KORVEX. ")
                          << QByteArray("/W0{FF}[NUL]");
    QTest::newRow("verify") << Operations[2].operation << QStringLiteral("Error verifying values. ")
                            << QByteArray("Sent /R0[NUL]");
    QTest::newRow("version") << Operations[3].operation << QStringLiteral("Error getting code version. ")
                             << QByteArray("Requesting Version");
}

void TestOperationGuards::vanishedPortEndsWithTheOperationsMessage()
{
    QFETCH(Operation, outer);
    QFETCH(QString, message);
    QFETCH(QByteArray, lastLog);

    DeviceRig rig;
    rig.port.vanishAt = 6; // just after the attachment check succeeded

    (rig.ops.*outer)();

    QCOMPARE(rig.prompter.messages(), QStringList{message + QStringLiteral("the device vanished")});
    QCOMPARE(rig.log().last(), lastLog);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.model.isBusy());
    QVERIFY(rig.waiter.now() < 300); // ended at once, no waiting on a dead port
}

QTEST_GUILESS_MAIN(TestOperationGuards)
#include "tst_operationguards.moc"
