#include "DeviceRig.h"

#include <QTest>

// The code version query.
class TestVersionQuery : public QObject
{
    Q_OBJECT

private slots:
    void reply_data();
    void reply();
    void noDeviceStillAsks();
    void emptyReplyReplacesAnEarlierVersion();
    void openFailureKeepsTheLabel();
};

void TestVersionQuery::reply_data()
{
    // The reply is delivered in parts, each `after` ms after the "V".
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QByteArrayList>("parts");
    QTest::addColumn<QByteArray>("shown");

    QTest::newRow("plain") << QList<int>{1} << QByteArrayList{"2.1"} << QByteArray("2.1");
    QTest::newRow("CR LF kept") << QList<int>{1} << QByteArrayList{"v1.07\r\n"} << QByteArray("v1.07\r\n");
    QTest::newRow("nothing gives ???") << QList<int>{} << QByteArrayList{} << QByteArray("???");
    QTest::newRow("arriving at 25 ms is seen") << QList<int>{25} << QByteArrayList{"9"} << QByteArray("9");
    QTest::newRow("arriving after 25 ms is lost")
        << QList<int>{26} << QByteArrayList{"9"} << QByteArray("???");
    QTest::newRow("shown as far as it arrived")
        << QList<int>{10, 40} << QByteArrayList{"1.", "5"} << QByteArray("1.");
}

void TestVersionQuery::reply()
{
    QFETCH(QList<int>, after);
    QFETCH(QByteArrayList, parts);
    QFETCH(QByteArray, shown);

    DeviceRig rig;
    rig.device.intercept = [&](const QByteArray &command, qint64 now) {
        if (command != "V")
            return false;
        for (qsizetype i = 0; i < parts.size(); ++i)
            rig.port.deliverAt(now + after.at(i), parts.at(i));
        return true;
    };

    rig.ops.GetCodeVersion();

    QCOMPARE(rig.model.text(MainModel::Text::CodeLabel),
             QStringLiteral("Code Version Reported: ") + QString::fromLatin1(shown));
    QCOMPARE(rig.log(), QByteArrayList({"Check for KORVEX attached *", "KORVEX responded after 1 tries",
                                        "Requesting Version", "Version = " + shown}));
    QCOMPARE(rig.port.written(), QByteArray("zV"));
    QCOMPARE(rig.waiter.delays(), QList<int>({5, 25}));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestVersionQuery::noDeviceStillAsks()
{
    DeviceRig rig;
    rig.device.probeReply.clear();
    rig.device.version.clear();

    rig.ops.GetCodeVersion();

    QCOMPARE(rig.log(),
             QByteArrayList({"Check for KORVEX attached" + QByteArray(" *").repeated(8),
                             "KORVEX not responsing on port COM1", "Requesting Version", "Version = ???"}));
    QCOMPARE(rig.model.text(MainModel::Text::CodeLabel), QStringLiteral("Code Version Reported: ???"));
    QCOMPARE(rig.prompter.beeps(), 0);
    QCOMPARE(rig.port.written(), QByteArray("zzzzzzzzV"));
    QVERIFY(!rig.port.isOpen());
}

void TestVersionQuery::emptyReplyReplacesAnEarlierVersion()
{
    DeviceRig rig;
    rig.ops.GetCodeVersion();
    QCOMPARE(rig.model.text(MainModel::Text::CodeLabel), QStringLiteral("Code Version Reported: 2.1"));

    rig.device.version.clear();
    rig.ops.GetCodeVersion();
    QCOMPARE(rig.model.text(MainModel::Text::CodeLabel), QStringLiteral("Code Version Reported: ???"));
}

void TestVersionQuery::openFailureKeepsTheLabel()
{
    DeviceRig rig;
    rig.port.openFailure = QStringLiteral("COM1 (/dev/ttyUSB0) is in use by another program.");

    rig.ops.GetCodeVersion();

    QCOMPARE(
        rig.prompter.messages(),
        QStringList({QStringLiteral("Error checking for KORVEX attachment- COM1 (/dev/ttyUSB0) is in use by "
                                    "another program."),
                     QStringLiteral("Error getting code version. COM1 (/dev/ttyUSB0) is in use by another "
                                    "program.")}));
    QCOMPARE(rig.model.text(MainModel::Text::CodeLabel), MainModel::InitialCodeLabel);
    QCOMPARE(rig.log(),
             QByteArrayList({"Check for KORVEX attached *", "KORVEX not responsing on port COM1"}));
}

QTEST_GUILESS_MAIN(TestVersionQuery)
#include "tst_versionquery.moc"
