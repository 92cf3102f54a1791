#include "DeviceRig.h"

#include <QTest>

// The attachment check and the port set-up.
class TestAttachCheck : public QObject
{
    Q_OBJECT

private slots:
    void checkAttached_data();
    void checkAttached();
    void lateAnswerIsReadByTheNextTry();
    void openFailureEndsTheCheck();
    void setupCommPort_data();
    void setupCommPort();
    void setupCommPortClosesAnOpenPort();
    void setupCommPortFailureLeavesLaterLabels();
};

namespace {
const QByteArray NotResponding = QByteArrayLiteral("KORVEX not responsing on port COM1");

QByteArray markers(int count)
{
    return QByteArrayLiteral("Check for KORVEX attached") + QByteArrayLiteral(" *").repeated(count);
}
} // namespace

void TestAttachCheck::checkAttached_data()
{
    // replies: what the device answers to the 1st, 2nd ... probe; an empty
    // entry (or running out of entries) is silence.
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QByteArrayList>("log");
    QTest::addColumn<int>("waits");

    const QString wrong41 = QStringLiteral("Not a KORVEX that is connected (received 0x41)");
    QTest::newRow("no device: eight markers, 408 polls")
        << QByteArrayList{} << QString::fromLatin1(NotResponding) << QByteArrayList{markers(8)} << 408;
    QTest::newRow("0xE8 at the first try")
        << QByteArrayList{"\xE8"} << QString() << QByteArrayList{markers(1), "KORVEX responded after 1 tries"}
        << 1;
    QTest::newRow("0x41 every time") << QByteArrayList(8, "A") << wrong41 << QByteArrayList{markers(8)} << 8;
    QTest::newRow("0x07 without leading zero")
        << QByteArrayList(8, "\x07") << QStringLiteral("Not a KORVEX that is connected (received 0x7)")
        << QByteArrayList{markers(8)} << 8;
    QTest::newRow("0xFF in upper case")
        << QByteArrayList(8, "\xFF") << QStringLiteral("Not a KORVEX that is connected (received 0xFF)")
        << QByteArrayList{markers(8)} << 8;
    QTest::newRow("several bytes ending in 0xE8 accepted")
        << QByteArrayList{"AB\xE8"} << QString()
        << QByteArrayList{markers(1), "KORVEX responded after 1 tries"} << 1;
    QTest::newRow("0xE8 first but not last rejected")
        << QByteArrayList(8, "\xE8\x41") << wrong41 << QByteArrayList{markers(8)} << 8;
    QTest::newRow("wrong then right") << QByteArrayList{"A", "\xE8"} << QString()
                                      << QByteArrayList{markers(2), "KORVEX responded after 2 tries"} << 2;
    QTest::newRow("wrong then silent keeps the wrong reply")
        << QByteArrayList{"A"} << wrong41 << QByteArrayList{markers(8)} << 1 + 7 * 51;
}

void TestAttachCheck::checkAttached()
{
    QFETCH(QByteArrayList, replies);
    QFETCH(QString, result);
    QFETCH(QByteArrayList, log);
    QFETCH(int, waits);

    DeviceRig rig;
    int probes = 0;
    rig.device.intercept = [&](const QByteArray &command, qint64 now) {
        if (command == "z" && probes < replies.size() && !replies.at(probes).isEmpty())
            rig.device.reply(now, replies.at(probes));
        ++probes;
        return true;
    };

    QCOMPARE(rig.ops.CheckAttached(), result);
    QCOMPARE(rig.log(), log);
    QCOMPARE(rig.waiter.delays(), QList<int>(waits, 5));
    QCOMPARE(rig.port.written(), QByteArray("z").repeated(probes));
    QCOMPARE(rig.waiter.pumps(), probes);
    QVERIFY(rig.port.isOpen());
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestAttachCheck::lateAnswerIsReadByTheNextTry()
{
    DeviceRig rig;
    rig.device.latencyMs = 300; // past the 255 ms of one try

    QCOMPARE(rig.ops.CheckAttached(), QString());
    QCOMPARE(rig.log().last(), QByteArray("KORVEX responded after 2 tries"));
    QCOMPARE(rig.waiter.now(), 300);
}

void TestAttachCheck::openFailureEndsTheCheck()
{
    DeviceRig rig;
    rig.port.openFailure = QStringLiteral("COM1 (/dev/ttyUSB0) does not exist.");

    QCOMPARE(rig.ops.CheckAttached(), QString::fromLatin1(NotResponding));
    QCOMPARE(rig.prompter.messages(),
             QStringList{QStringLiteral(
                 "Error checking for KORVEX attachment- COM1 (/dev/ttyUSB0) does not exist.")});
    QCOMPARE(rig.log(), QByteArrayList{markers(1)});
    QVERIFY(rig.port.writes().isEmpty());
}

void TestAttachCheck::setupCommPort_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("baud");
    QTest::addColumn<QByteArray>("parity");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("parityLabel");

    // The parity caption starts as "ODD" so that a letter it ignores shows.
    QTest::newRow("defaults") << 1 << QByteArray("9600") << QByteArray("N") << QByteArray("9600,N,8,2")
                              << QByteArray("NONE");
    QTest::newRow("COM3, 19200, even")
        << 3 << QByteArray("19200") << QByteArray("E") << QByteArray("19200,E,8,2") << QByteArray("EVEN");
    QTest::newRow("odd") << 2 << QByteArray("2400") << QByteArray("O") << QByteArray("2400,O,8,2")
                         << QByteArray("ODD");
    QTest::newRow("lower-case letter passes, caption kept")
        << 1 << QByteArray("9600") << QByteArray("e") << QByteArray("9600,e,8,2") << QByteArray("ODD");
}

void TestAttachCheck::setupCommPort()
{
    QFETCH(int, port);
    QFETCH(QByteArray, baud);
    QFETCH(QByteArray, parity);
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, parityLabel);

    DeviceRig rig;
    rig.model.setText(MainModel::Text::ParityLabel, QStringLiteral("ODD"));
    AppSettings.Port = static_cast<qint16>(port);
    AppSettings.Baud = QString::fromLatin1(baud);
    AppSettings.Parity = QString::fromLatin1(parity);

    rig.ops.SetupCommPort();

    QCOMPARE(rig.port.portNumber(), port);
    QCOMPARE(rig.port.settings(), settings);
    QCOMPARE(rig.model.text(MainModel::Text::CommLabel), QStringLiteral("COM") + QString::number(port));
    QCOMPARE(rig.model.text(MainModel::Text::BaudLabel), QString::fromLatin1(baud));
    QCOMPARE(rig.model.text(MainModel::Text::ParityLabel), QString::fromLatin1(parityLabel));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestAttachCheck::setupCommPortClosesAnOpenPort()
{
    DeviceRig rig;
    rig.port.open();
    rig.ops.SetupCommPort();
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.closes(), 1);
}

void TestAttachCheck::setupCommPortFailureLeavesLaterLabels()
{
    DeviceRig rig;
    AppSettings.Port = 4;
    AppSettings.Baud = QStringLiteral("fast");

    rig.ops.SetupCommPort();

    QCOMPARE(rig.prompter.messages().size(), 1);
    QVERIFY(rig.prompter.messages().at(0).startsWith(QStringLiteral("Error setting up comm port - ")));
    QVERIFY(rig.prompter.messages().at(0).contains(QStringLiteral("fast,N,8,2")));
    QCOMPARE(rig.port.portNumber(), 4); // the step before the failure was done
    QCOMPARE(rig.model.text(MainModel::Text::CommLabel), QStringLiteral("COM2"));
    QCOMPARE(rig.model.text(MainModel::Text::BaudLabel), QStringLiteral("9600"));
}

QTEST_GUILESS_MAIN(TestAttachCheck)
#include "tst_attachcheck.moc"
