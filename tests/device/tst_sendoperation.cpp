#include "DeviceRig.h"

#include <QTest>

// Sending the sixteen rows, each verified once the device acknowledged it.
class TestSendOperation : public QObject
{
    Q_OBJECT

private slots:
    void frame_data();
    void frame();
    void fullSend();
    void acknowledgement_data();
    void acknowledgement();
    void noDevice();
};

namespace {
const QByteArrayList AttachedLines = {"Check for KORVEX attached *", "KORVEX responded after 1 tries"};
}

void TestSendOperation::frame_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("keyName");
    QTest::addColumn<QByteArray>("keyString");
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QByteArray>("logLine");

    const QByteArray nul(1, '\0');
    QTest::newRow("row 0, key A, AB")
        << 0 << QByteArray("A") << QByteArray("AB") << QByteArrayList{"/W0", "\x1C", "AB", nul}
        << QByteArray("/W0{1C}AB[NUL]");
    QTest::newRow("empty row 12: no key, no string write")
        << 12 << QByteArray() << QByteArray() << QByteArrayList{"/W<", "\xFF", nul}
        << QByteArray("/W<{FF}[NUL]");
    QTest::newRow("unknown key name sends 0")
        << 1 << QByteArray("NOPE") << QByteArray("x") << QByteArrayList{"/W1", nul, "x", nul}
        << QByteArray("/W1{0}x[NUL]");
    QTest::newRow("TAB has a one-digit scancode")
        << 2 << QByteArray("TAB") << QByteArray() << QByteArrayList{"/W2", "\x0D", nul}
        << QByteArray("/W2{D}[NUL]");
    QTest::newRow("row 10 is colon") << 10 << QByteArray("A") << QByteArray()
                                     << QByteArrayList{"/W:", "\x1C", nul} << QByteArray("/W:{1C}[NUL]");
    QTest::newRow("row 15 is question mark")
        << 15 << QByteArray("A") << QByteArray() << QByteArrayList{"/W?", "\x1C", nul}
        << QByteArray("/W?{1C}[NUL]");
    QTest::newRow("control byte logged raw")
        << 0 << QByteArray("A") << QByteArray("A{0D}") << QByteArrayList{"/W0", "\x1C", "A\r", nul}
        << QByteArray("/W0{1C}A\r[NUL]");
    QTest::newRow("groups become single bytes")
        << 3 << QByteArray("F7") << QByteArray("{7B}{7}{FF}")
        << QByteArrayList{"/W3", "\x83", QByteArray("{\x07\xFF"), nul} << QByteArray("/W3{83}{\x07\xFF[NUL]");
    QTest::newRow("a 0x00 byte ends the string: nothing after it reaches the device")
        << 4 << QByteArray("A") << QByteArray("X{}/W3") << QByteArrayList{"/W4", "\x1C", "X", nul}
        << QByteArray("/W4{1C}X[NUL]");
    QTest::newRow("a string that starts with 0x00 sends no bytes")
        << 5 << QByteArray("A") << QByteArray("{00}Y") << QByteArrayList{"/W5", "\x1C", nul}
        << QByteArray("/W5{1C}[NUL]");
}

void TestSendOperation::frame()
{
    QFETCH(int, row);
    QFETCH(QByteArray, keyName);
    QFETCH(QByteArray, keyString);
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArray, logLine);

    DeviceRig rig;
    rig.model.rows().setKeyName(row, keyName);
    rig.model.rows().setKeyString(row, keyString);
    QVERIFY(rig.prompter.prompts().isEmpty());

    rig.ops.Command2_Click();

    qsizetype at = 0;
    while (at < rig.port.writes().size() && rig.port.writes().at(at).bytes != writes.first())
        ++at;
    QVERIFY(at + writes.size() <= rig.port.writes().size());
    for (qsizetype w = 0; w < writes.size(); ++w)
        QCOMPARE(rig.port.writes().at(at + w).bytes, writes.at(w));
    QVERIFY(rig.log().contains(logLine));
}

void TestSendOperation::fullSend()
{
    DeviceRig rig;
    KeyRows &rows = rig.model.rows();
    const QByteArrayList names = {"A",   "TAB", "",  "F12", "1", "ENTER", "Z",  " ",
                                  "ESC", "0",   "`", "=",   "P", "L",     "F7", "B"};
    const QByteArrayList strings = {"AB",   "{0D}{0A}", "",  "{1}",  "{7B}",   " x ", "{7}",    "~",
                                    "{FF}", "123456",   "}", "{41}", "a{20}b", "",    "{1B}[A", "z"};
    for (int i = 0; i < RowCount; ++i) {
        rows.setKeyName(i, names.at(i));
        rows.setKeyString(i, strings.at(i));
    }
    QByteArrayList percents;
    connect(&rig.model.progress(), &ProgressModel::changed, this, [&] {
        const QByteArray text = rig.model.progress().percentText().toLatin1();
        if (text.endsWith('%') && (percents.isEmpty() || percents.last() != text))
            percents.append(text);
    });

    rig.ops.Command2_Click();

    const QByteArrayList expectedBytes = {"AB",   "\r\n",   "",  "\x01", "{",   " x ", "\x07",   "~",
                                          "\xFF", "123456", "}", "A",    "a b", "",    "\x1B[A", "z"};
    QCOMPARE(rig.log().mid(0, 2), AttachedLines);
    for (int i = 0; i < RowCount; ++i) {
        const QByteArray index(1, char('0' + i));
        QCOMPARE(rig.device.rows.at(i).bytes, expectedBytes.at(i));
        QCOMPARE(rig.device.rows.at(i).scancode,
                 names.at(i).isEmpty() ? quint8(0xFF) : quint8(KeyNameToScancode(names.at(i))));
        QCOMPARE(rows.icon(i), RowIcon::CheckMark);
        QCOMPARE(rig.log().at(2 + 4 * i + 1), "Sent /R" + index + "[NUL]");
        QCOMPARE(rig.log().at(2 + 4 * i + 3), "success # " + QByteArray::number(i + 1));
    }
    QCOMPARE(rig.log().size(), 2 + 4 * RowCount);
    QCOMPARE(percents, QByteArrayList({"0%", "6%", "13%", "20%", "26%", "33%", "40%", "46%", "53%", "60%",
                                       "66%", "73%", "80%", "86%", "93%", "100%"}));
    // Each row: the acknowledgement found at the first poll, the read-back,
    // and the nine polls still to come.
    QList<int> rowWaits = {10, 100};
    rowWaits += QList<int>(9, 10);
    QList<int> expectedWaits = {5};
    for (int i = 0; i < RowCount; ++i)
        expectedWaits += rowWaits;
    expectedWaits.append(1000);
    QCOMPARE(rig.waiter.delays(), expectedWaits);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.model.progress().isVisible());
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestSendOperation::acknowledgement_data()
{
    // Replies to row 0's write, each `after` ms after it.
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<bool>("readBackAnswers");
    QTest::addColumn<quint8>("heldScancode"); // what the device then holds for the key
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<RowIcon>("icon");
    QTest::addColumn<QStringList>("messages");

    const QByteArray ack0("\x06"
                          "0");
    const quint8 a = 0x1C;
    QTest::newRow("acknowledged and verified")
        << QList<int>{1} << QByteArrayList{ack0} << true << a << QByteArray("success # 1")
        << RowIcon::CheckMark << QStringList();
    QTest::newRow("nothing: timeout") << QList<int>{} << QByteArrayList{} << true << a
                                      << QByteArray("timeout") << RowIcon::QuestionMark << QStringList();
    QTest::newRow("a single byte: timeout")
        << QList<int>{1} << QByteArrayList{"\x06"} << true << a << QByteArray("timeout")
        << RowIcon::QuestionMark << QStringList();
    QTest::newRow("NO is logged as received") << QList<int>{1} << QByteArrayList{"NO"} << true << a
                                              << QByteArray("NO") << RowIcon::QuestionMark << QStringList();
    QTest::newRow("acknowledgement of another row") << QList<int>{1}
                                                    << QByteArrayList{"\x06"
                                                                      "1"}
                                                    << true << a
                                                    << QByteArray("\x06"
                                                                  "1")
                                                    << RowIcon::QuestionMark << QStringList();
    QTest::newRow("acknowledgement in the tenth poll still counts")
        << QList<int>{95} << QByteArrayList{ack0} << true << a << QByteArray("success # 1")
        << RowIcon::CheckMark << QStringList();
    QTest::newRow("acknowledgement after the tenth poll is too late")
        << QList<int>{105} << QByteArrayList{ack0} << true << a << QByteArray("timeout")
        << RowIcon::QuestionMark << QStringList();
    QTest::newRow("a later acknowledgement replaces NO")
        << QList<int>{1, 55} << QByteArrayList{"NO", ack0} << true << a << QByteArray("success # 1")
        << RowIcon::CheckMark << QStringList();
    QTest::newRow("a later reply replaces the success")
        << QList<int>{1, 150} << QByteArrayList{ack0, "??"} << true << a << QByteArray("??")
        << RowIcon::CheckMark << QStringList();
    QTest::newRow("acknowledged but no read-back is not a success")
        << QList<int>{1} << QByteArrayList{ack0} << false << a << QByteArray("FAILED to verify # 1")
        << RowIcon::QuestionMark << QStringList();
    QTest::newRow("acknowledged but holding another key")
        << QList<int>{1} << QByteArrayList{ack0} << true << quint8(0x1B) << QByteArray("FAILED to verify # 1")
        << RowIcon::QuestionMark
        << QStringList{QStringLiteral("#1 keyboard keyidentifier does not match screen")};
}

void TestSendOperation::acknowledgement()
{
    QFETCH(QList<int>, after);
    QFETCH(QByteArrayList, replies);
    QFETCH(bool, readBackAnswers);
    QFETCH(quint8, heldScancode);
    QFETCH(QByteArray, status);
    QFETCH(RowIcon, icon);
    QFETCH(QStringList, messages);

    DeviceRig rig;
    rig.model.rows().setKeyName(0, "A");
    rig.model.rows().setKeyString(0, "AB");
    rig.device.intercept = [&](const QByteArray &command, qint64 now) {
        if (command.startsWith("/W0")) {
            rig.device.rows.at(0) = {heldScancode, "AB"};
            for (qsizetype r = 0; r < replies.size(); ++r)
                rig.port.deliverAt(now + after.at(r), replies.at(r));
            return true;
        }
        return command.startsWith("/R0") && !readBackAnswers;
    };

    rig.ops.Command2_Click();

    const qsizetype next = rig.log().indexOf("/W1{FF}[NUL]");
    QVERIFY(next > 0);
    QCOMPARE(rig.log().at(next - 1), status);
    QCOMPARE(rig.model.rows().icon(0), icon);
    QCOMPARE(rig.prompter.messages(), messages);

    // The ten polls of row 0 always run to the end, plus each read-back.
    auto writtenAt = [&](const QByteArray &bytes) {
        for (const FakeSerialPort::Write &w : rig.port.writes()) {
            if (w.bytes == bytes)
                return w.at;
        }
        return qint64(-1);
    };
    const qsizetype readBacks = rig.device.commands.count(QByteArray("/R0\0", 4));
    QCOMPARE(writtenAt("/W1") - writtenAt("/W0"), 100 + 100 * readBacks);
}

void TestSendOperation::noDevice()
{
    DeviceRig rig;
    rig.device.probeReply.clear();
    rig.model.rows().setKeyName(0, "A");

    rig.ops.Command2_Click();

    QCOMPARE(rig.prompter.beeps(), 1);
    QCOMPARE(rig.log(), QByteArrayList({"Check for KORVEX attached" + QByteArray(" *").repeated(8),
                                        "KORVEX not responsing on port COM1"}));
    QCOMPARE(rig.model.rows().icon(0), RowIcon::Hidden); // untouched
    QVERIFY(rig.model.progress().isVisible());
    QCOMPARE(rig.model.progress().percentText(), QStringLiteral("0%"));
    QCOMPARE(rig.port.written(), QByteArray("z").repeated(8));
}

QTEST_GUILESS_MAIN(TestSendOperation)
#include "tst_sendoperation.moc"
