#include "DeviceRig.h"

#include <QTest>

// Verifying rows against the device.
class TestVerifyOperation : public QObject
{
    Q_OBJECT

private slots:
    void verifyKey_data();
    void verifyKey();
    void verifyAllRows();
    void mismatchDoesNotStopTheRest();
    void silentDeviceLeavesQuestionMarks();
    void noDevice();
};

void TestVerifyOperation::verifyKey_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("keyName");
    QTest::addColumn<QByteArray>("keyString");
    QTest::addColumn<QByteArray>("reply"); // empty: the device stays silent
    QTest::addColumn<bool>("result");
    QTest::addColumn<RowIcon>("icon");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("responseLine"); // empty: none

    const QByteArray a("A");
    QTest::newRow("match") << 0 << a << QByteArray("AB") << reply(0x1C, "AB\0") << true << RowIcon::CheckMark
                           << QString() << QByteArray("Response: {1C}AB[NUL]");
    QTest::newRow("no reply is not a success") << 0 << a << QByteArray("AB") << QByteArray() << false
                                               << RowIcon::Hidden << QString() << QByteArray();
    QTest::newRow("device key on an empty screen row")
        << 4 << QByteArray() << QByteArray() << reply(0x1C, "\0") << false << RowIcon::QuestionMark
        << QStringLiteral("#5 keyboard keyidentifier does not match screen") << QByteArray();
    QTest::newRow("output mismatch renders the device bytes")
        << 2 << a << QByteArray("AB") << reply(0x1C, "A\r\0") << false << RowIcon::QuestionMark
        << QStringLiteral("#3 output string - A{0D} - does not match screen value")
        << QByteArray("Response: {1C}A\r[NUL]");
    QTest::newRow("device space shown as {20}")
        << 0 << a << QByteArray("AB") << reply(0x1C, "A B\0") << false << RowIcon::QuestionMark
        << QStringLiteral("#1 output string - A{20}B - does not match screen value")
        << QByteArray("Response: {1C}A B[NUL]");
    QTest::newRow("a space verifies")
        << 0 << a << QByteArray("A B") << reply(0x1C, "A B\0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C}A B[NUL]");
    QTest::newRow("{20} verifies against a space")
        << 0 << a << QByteArray("{20}") << reply(0x1C, " \0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C} [NUL]");
    QTest::newRow("an opening brace verifies")
        << 0 << a << QByteArray("{7B}") << reply(0x1C, "{\0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C}{[NUL]");
    QTest::newRow("a closing brace verifies")
        << 0 << a << QByteArray("{7D}") << reply(0x1C, "}\0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C}}[NUL]");
    QTest::newRow("a one-digit group verifies")
        << 0 << a << QByteArray("{7}") << reply(0x1C, "\x07\0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C}\x07[NUL]");
    QTest::newRow("{41} matches A") << 0 << a << QByteArray("{41}") << reply(0x1C, "A\0") << true
                                    << RowIcon::CheckMark << QString() << QByteArray("Response: {1C}A[NUL]");
    QTest::newRow("empty row, no key on the device")
        << 0 << QByteArray() << QByteArray() << reply(0xFF, "\0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {FF}[NUL]");
    QTest::newRow("no key on either side: strings not compared")
        << 0 << QByteArray() << QByteArray("X") << reply(0xFF, "Y\0") << true << RowIcon::CheckMark
        << QString() << QByteArray("Response: {FF}Y[NUL]");
    QTest::newRow("bytes after the NUL logged, not compared")
        << 0 << a << QByteArray("AB") << reply(0x1C, "AB\0\x06X") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C}AB[NUL][ACK]X");
    QTest::newRow("a device 0x06 is {06}")
        << 0 << a << QByteArray("{06}") << reply(0x1C, "\x06\0") << true << RowIcon::CheckMark << QString()
        << QByteArray("Response: {1C}[ACK][NUL]");
}

void TestVerifyOperation::verifyKey()
{
    QFETCH(int, row);
    QFETCH(QByteArray, keyName);
    QFETCH(QByteArray, keyString);
    QFETCH(QByteArray, reply);
    QFETCH(bool, result);
    QFETCH(RowIcon, icon);
    QFETCH(QString, message);
    QFETCH(QByteArray, responseLine);

    DeviceRig rig;
    rig.model.rows().setKeyName(row, keyName);
    rig.model.rows().setKeyString(row, keyString);
    rig.port.open();
    rig.device.intercept = [&](const QByteArray &, qint64 now) {
        if (!reply.isEmpty())
            rig.device.reply(now, reply);
        return true;
    };

    QCOMPARE(rig.ops.VerifyKey(row), result);

    QCOMPARE(rig.port.written(), QByteArray("/R") + char('0' + row) + '\0');
    QCOMPARE(rig.waiter.delays(), QList<int>{100});
    QCOMPARE(rig.model.rows().icon(row), icon);
    QCOMPARE(rig.prompter.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QByteArrayList log = {QByteArray("Sent /R") + char('0' + row) + "[NUL]"};
    if (!responseLine.isEmpty())
        log.append(responseLine);
    QCOMPARE(rig.log(), log);
}

void TestVerifyOperation::verifyAllRows()
{
    DeviceRig rig;
    const QByteArrayList names = {"A", "", "TAB", "F1"};
    const QByteArrayList strings = {"{7B}x", "", "{20}", "{0D}{0A}"};
    for (int i = 0; i < names.size(); ++i) {
        rig.model.rows().setKeyName(i, names.at(i));
        rig.model.rows().setKeyString(i, strings.at(i));
    }
    rig.device.rows.at(0) = {0x1C, "{x"};
    rig.device.rows.at(2) = {0x0D, " "};
    rig.device.rows.at(3) = {0x05, "\r\n"};

    rig.ops.VerifyBtn_Click();

    QByteArrayList expected = {"Check for KORVEX attached *", "KORVEX responded after 1 tries"};
    const QByteArrayList responses = {"{1C}{x", "{FF}", "{D} ", "{5}\r\n"};
    for (int i = 0; i < RowCount; ++i) {
        expected.append(QByteArray("Sent /R") + char('0' + i) + "[NUL]");
        expected.append("Response: " + (i < responses.size() ? responses.at(i) : QByteArray("{FF}")) +
                        "[NUL]");
        QCOMPARE(rig.model.rows().icon(i), RowIcon::CheckMark);
    }
    QCOMPARE(rig.log(), expected);
    QVERIFY(rig.prompter.prompts().isEmpty());
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.model.progress().isVisible());
}

void TestVerifyOperation::mismatchDoesNotStopTheRest()
{
    DeviceRig rig;
    rig.model.rows().setKeyName(1, "A");
    rig.model.rows().setKeyString(1, "AB");
    rig.model.rows().setKeyName(5, "A");
    rig.device.rows.at(1) = {0x1C, "AC"};
    rig.device.rows.at(5) = {0x1B, ""};

    rig.ops.VerifyBtn_Click();

    QCOMPARE(rig.prompter.messages(),
             QStringList({QStringLiteral("#2 output string - AC - does not match screen value"),
                          QStringLiteral("#6 keyboard keyidentifier does not match screen")}));
    QCOMPARE(rig.model.rows().icon(1), RowIcon::QuestionMark);
    QCOMPARE(rig.model.rows().icon(5), RowIcon::QuestionMark);
    QCOMPARE(rig.model.rows().icon(15), RowIcon::CheckMark);
    QCOMPARE(rig.device.commands.count(QByteArray("/R?\0", 4)), 1);
}

void TestVerifyOperation::silentDeviceLeavesQuestionMarks()
{
    DeviceRig rig;
    rig.device.intercept = [](const QByteArray &command, qint64) { return command.startsWith("/R"); };

    rig.ops.VerifyBtn_Click();

    QByteArrayList expected = {"Check for KORVEX attached *", "KORVEX responded after 1 tries"};
    for (int i = 0; i < RowCount; ++i) {
        expected.append(QByteArray("Sent /R") + char('0' + i) + "[NUL]");
        QCOMPARE(rig.model.rows().icon(i), RowIcon::QuestionMark);
    }
    QCOMPARE(rig.log(), expected);
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestVerifyOperation::noDevice()
{
    DeviceRig rig;
    rig.device.probeReply = "A";

    rig.ops.VerifyBtn_Click();

    QCOMPARE(rig.prompter.beeps(), 1);
    QCOMPARE(rig.log(), QByteArrayList({"Check for KORVEX attached" + QByteArray(" *").repeated(8),
                                        "Not a KORVEX that is connected (received 0x41)"}));
    QCOMPARE(rig.model.rows().icon(0), RowIcon::Hidden);
}

QTEST_GUILESS_MAIN(TestVerifyOperation)
#include "tst_verifyoperation.moc"
