#include "DeviceRig.h"

#include <QTest>

// Reading the sixteen rows from the device.
class TestReadOperation : public QObject
{
    Q_OBJECT

private slots:
    void readRow_data();
    void readRow();
    void fullRead();
    void lateReplyIsReadAtTheNextRow();
    void noReplyKeepsTheKeyName();
    void noDevice();
    void overlongReplyGivesOneMessage_data();
    void overlongReplyGivesOneMessage();
    void readThenSendWritesTheSameBytes();
};

namespace {
const QByteArrayList AttachedLines = {"Check for KORVEX attached *", "KORVEX responded after 1 tries"};
}

void TestReadOperation::readRow_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("keyName");
    QTest::addColumn<QByteArray>("keyString");
    QTest::addColumn<QByteArray>("logLine");

    QTest::newRow("scancode 0x1C with AB")
        << reply(0x1C, "AB\0") << QByteArray("A") << QByteArray("AB") << QByteArray("Response: {1C}AB[NUL]");
    QTest::newRow("CR LF become groups, log keeps them raw")
        << reply(0x1C, "\r\n\0") << QByteArray("A") << QByteArray("{0D}{0A}")
        << QByteArray("Response: {1C}\r\n[NUL]");
    QTest::newRow("space, tilde and DEL")
        << reply(0x1C, " ~\x7F\0") << QByteArray("A") << QByteArray("{20}~{7F}")
        << QByteArray("Response: {1C} ~\x7F[NUL]");
    QTest::newRow("bytes after the NUL are logged, not used")
        << reply(0x1C, "A\0B") << QByteArray("A") << QByteArray("A") << QByteArray("Response: {1C}A[NUL]B");
    QTest::newRow("scancode alone") << QByteArray("\x1C") << QByteArray("A") << QByteArray()
                                    << QByteArray("Response: {1C}");
    QTest::newRow("unknown scancode empties the row")
        << reply(0x99, "AB\0") << QByteArray() << QByteArray() << QByteArray("Response: {99}AB[NUL]");
    QTest::newRow("scancode below 16 has one digit")
        << reply(0x0D, "1\0") << QByteArray("TAB") << QByteArray("1") << QByteArray("Response: {D}1[NUL]");
    QTest::newRow("opening brace stays a byte") << reply(0x1C, "{7\0") << QByteArray("A")
                                                << QByteArray("{7B}7") << QByteArray("Response: {1C}{7[NUL]");
    QTest::newRow("closing brace is plain")
        << reply(0x1C, "}A\0") << QByteArray("A") << QByteArray("}A") << QByteArray("Response: {1C}}A[NUL]");
    QTest::newRow("no terminator: used to its end")
        << reply(0x1C, "ABC") << QByteArray("A") << QByteArray("ABC") << QByteArray("Response: {1C}ABC");
}

void TestReadOperation::readRow()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, keyName);
    QFETCH(QByteArray, keyString);
    QFETCH(QByteArray, logLine);

    DeviceRig rig;
    rig.model.rows().setKeyName(3, "Q");
    rig.model.rows().setKeyString(3, "old");
    rig.device.intercept = [&](const QByteArray &command, qint64 now) {
        if (command != QByteArray("/R3\0", 4))
            return false;
        rig.device.reply(now, reply);
        return true;
    };

    rig.ops.Command1_Click();

    const KeyRows &rows = rig.model.rows();
    QCOMPARE(rows.keyName(3), keyName);
    QCOMPARE(rows.keyString(3), keyString);
    QCOMPARE(rows.icon(3), RowIcon::CheckMark);
    QCOMPARE(rig.log().at(3 + 2 * 3), QByteArray("Sent /R3[NUL]", 13));
    QCOMPARE(rig.log().at(4 + 2 * 3), logLine);
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestReadOperation::fullRead()
{
    DeviceRig rig;
    const QByteArrayList names = {"A",   "TAB", "",  "F12", "1", "ENTER", "Z",  " ",
                                  "ESC", "0",   "`", "=",   "P", "L",     "F7", ""};
    // Their scancodes as the log shows them: printable ones as characters.
    const QByteArrayList logged = {"{1C}", "{D}", "{FF}", "{7}", "{16}", "Z", "{1A}", ")",
                                   "v",    "E",   "{E}",  "U",   "M",    "K", "{83}", "{FF}"};
    for (int i = 0; i < RowCount; ++i) {
        const QByteArray name = names.at(i);
        rig.device.rows.at(i).scancode = name.isEmpty() ? 0xFF : static_cast<quint8>(KeyNameToScancode(name));
        rig.device.rows.at(i).bytes = name.isEmpty() ? QByteArray() : QByteArray("r") + QByteArray::number(i);
    }
    QByteArrayList percents;
    connect(&rig.model.progress(), &ProgressModel::changed, this, [&] {
        const QByteArray text = rig.model.progress().percentText().toLatin1();
        if (text.endsWith('%') && (percents.isEmpty() || percents.last() != text))
            percents.append(text);
    });
    // At the start of the final wait the port is closed and 100% is shown.
    bool closedBeforeLinger = false;
    rig.onTick([&](qint64 now) {
        if (now == 5 + 16 * 250 + 2000)
            closedBeforeLinger = !rig.port.isOpen() && rig.model.progress().isVisible() &&
                                 rig.model.progress().percentText() == QStringLiteral("100%");
    });

    rig.ops.Command1_Click();

    QByteArrayList expectedLog = QByteArrayList{"Read Operation Requested"} + AttachedLines;
    QList<FakeSerialPort::Write> expectedWrites = {{0, "z"}};
    for (int i = 0; i < RowCount; ++i) {
        const QByteArray command = QByteArray("/R") + char('0' + i) + '\0';
        expectedWrites.append({5 + 250 * i, command});
        expectedLog.append("Sent /R" + QByteArray(1, char('0' + i)) + "[NUL]");
        expectedLog.append("Response: " + logged.at(i) + rig.device.rows.at(i).bytes + "[NUL]");
        QCOMPARE(rig.model.rows().keyName(i), names.at(i));
        QCOMPARE(rig.model.rows().keyString(i), rig.device.rows.at(i).bytes);
        QCOMPARE(rig.model.rows().icon(i), RowIcon::CheckMark);
    }
    QCOMPARE(rig.log(), expectedLog);
    QCOMPARE(rig.port.writes().size(), expectedWrites.size());
    for (qsizetype w = 0; w < expectedWrites.size(); ++w) {
        QCOMPARE(rig.port.writes().at(w).at, expectedWrites.at(w).at);
        QCOMPARE(rig.port.writes().at(w).bytes, expectedWrites.at(w).bytes);
    }
    QCOMPARE(rig.port.writes().at(11).bytes, QByteArray("/R:\0", 4));
    QCOMPARE(rig.port.writes().at(16).bytes, QByteArray("/R?\0", 4));
    QCOMPARE(percents, QByteArrayList({"0%", "6%", "13%", "20%", "26%", "33%", "40%", "46%", "53%", "60%",
                                       "66%", "73%", "80%", "86%", "93%", "100%"}));
    QCOMPARE(rig.waiter.delays().mid(1), QList<int>(16, 250) + QList<int>{2000});
    QVERIFY(closedBeforeLinger);
    QVERIFY(!rig.model.progress().isVisible());
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestReadOperation::lateReplyIsReadAtTheNextRow()
{
    DeviceRig rig;
    rig.model.rows().setKeyName(3, "Q");
    rig.device.rows.at(3) = {0x1C, "AB"};
    rig.device.rows.at(4) = {0x1B, "CD"}; // "S"
    rig.device.intercept = [&](const QByteArray &command, qint64 now) {
        if (command != QByteArray("/R3\0", 4))
            return false;
        rig.port.deliverAt(now + 260, rig.device.readReply(3));
        return true;
    };

    rig.ops.Command1_Click();

    const KeyRows &rows = rig.model.rows();
    QCOMPARE(rows.keyName(3), QByteArray("Q"));
    QCOMPARE(rows.keyString(3), QByteArray());
    QCOMPARE(rows.icon(3), RowIcon::QuestionMark);
    // Row 4 takes row 3's late reply with its own behind it.
    QCOMPARE(rows.keyName(4), QByteArray("A"));
    QCOMPARE(rows.keyString(4), QByteArray("AB"));
    QCOMPARE(rig.log().at(3 + 2 * 3), QByteArray("Sent /R3[NUL]"));
    QCOMPARE(rig.log().at(4 + 2 * 3), QByteArray("Sent /R4[NUL]"));
    QCOMPARE(rig.log().at(5 + 2 * 3), QByteArray("Response: {1C}AB[NUL]\x1B"
                                                 "CD[NUL]"));
}

void TestReadOperation::noReplyKeepsTheKeyName()
{
    DeviceRig rig;
    rig.model.rows().setKeyName(0, "W");
    rig.model.rows().setKeyString(0, "xyz");
    rig.device.intercept = [](const QByteArray &command, qint64) { return command.startsWith("/R"); };

    rig.ops.Command1_Click();

    QCOMPARE(rig.model.rows().keyName(0), QByteArray("W"));
    QCOMPARE(rig.model.rows().keyString(0), QByteArray());
    QCOMPARE(rig.model.rows().lengthCaption(0), QStringLiteral("0"));
    QCOMPARE(rig.model.rows().icon(0), RowIcon::QuestionMark);
    QCOMPARE(rig.log().size(), 3 + 16);
}

void TestReadOperation::noDevice()
{
    DeviceRig rig;
    rig.device.probeReply.clear();
    rig.model.rows().setKeyName(5, "A");
    rig.model.rows().setKeyString(5, "AB");

    rig.ops.Command1_Click();

    QCOMPARE(rig.prompter.beeps(), 1);
    QCOMPARE(rig.log(), QByteArrayList({"Read Operation Requested",
                                        "Check for KORVEX attached" + QByteArray(" *").repeated(8),
                                        "KORVEX not responsing on port COM1"}));
    for (int i = 0; i < RowCount; ++i)
        QCOMPARE(rig.model.rows().icon(i), RowIcon::QuestionMark);
    QCOMPARE(rig.model.rows().keyString(5), QByteArray("AB"));
    QVERIFY(rig.model.progress().isVisible());
    QCOMPARE(rig.model.progress().percentText(), QStringLiteral("0%"));
}

void TestReadOperation::overlongReplyGivesOneMessage_data()
{
    QTest::addColumn<QByteArray>("stringPart");
    QTest::addColumn<QByteArray>("keyString");

    QTest::newRow("ten bytes") << QByteArray("ABCDEFGHIJ") << QByteArray("ABCDEF");
    QTest::newRow("groups cut after the sixth")
        << QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08") << QByteArray("{01}{02}{03}{04}{05}{06}");
    QTest::newRow("a flood") << QByteArray(60000, 'x') << QByteArray("xxxxxx");
}

void TestReadOperation::overlongReplyGivesOneMessage()
{
    QFETCH(QByteArray, stringPart);
    QFETCH(QByteArray, keyString);

    DeviceRig rig;
    rig.device.rows.at(2) = {0x1C, stringPart};
    rig.device.rows.at(3) = {0x1B, "ok"};

    rig.ops.Command1_Click();

    QCOMPARE(rig.prompter.messages(),
             QStringList{
                 QStringLiteral("String entered for item # 3 is too long .. max string length is 6 chars")});
    QCOMPARE(rig.model.rows().keyString(2), keyString);
    QCOMPARE(rig.model.rows().lengthCaption(2), QStringLiteral("6"));
    QCOMPARE(rig.model.rows().keyString(3), QByteArray("ok"));
    QCOMPARE(rig.model.rows().keyName(3), QByteArray("S"));
}

void TestReadOperation::readThenSendWritesTheSameBytes()
{
    DeviceRig rig;
    const QByteArrayList held = {"{", "}", " ", "{}", "\x7F", "\xFF{\x01", "{{{{{{"};
    for (int i = 0; i < held.size(); ++i)
        rig.device.rows.at(i) = {0x1C, held.at(i)};

    rig.ops.Command1_Click();
    const auto before = rig.device.rows;
    rig.ops.Command2_Click();

    for (int i = 0; i < RowCount; ++i) {
        QCOMPARE(rig.device.rows.at(i).scancode, before.at(i).scancode);
        QCOMPARE(rig.device.rows.at(i).bytes, before.at(i).bytes);
        QCOMPARE(rig.model.rows().icon(i), RowIcon::CheckMark);
    }
    QVERIFY(rig.prompter.prompts().isEmpty());
}

QTEST_GUILESS_MAIN(TestReadOperation)
#include "tst_readoperation.moc"
