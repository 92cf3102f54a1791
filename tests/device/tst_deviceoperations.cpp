#include "FakeKorvex.h"
#include "OperationsRig.h"

#include <QSignalSpy>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

using Operation = SessionResult (*)(DeviceSession &);
const Operation Read = [](DeviceSession &s) { return s.readRows(); };
const Operation Send = [](DeviceSession &s) { return s.sendRows(); };
const Operation Verify = [](DeviceSession &s) { return s.verifyRows(); };
const Operation Version = [](DeviceSession &s) { return s.queryVersion(); };
// Each with how its error message begins.
const std::tuple<const char *, Operation, QByteArray> Operations[] = {
    {"read", Read, "Error retrieve current key overrides - "},
    {"send", Send, "Error sending to KORVEX. "},
    {"verify", Verify, "Error verifying values. "},
    {"version", Version, "Error getting code version. "}};
// Commands answered in the device's place: how the command begins, the ms
// after it and the reply (empty: none).
using Script = QList<std::tuple<QByteArray, int, QByteArray>>;
const QByteArray Absent = "KORVEX not responsing on port COM1"_ba;

// Over the fake device on virtual time.
struct Rig : OperationsRig
{
    Rig() : OperationsRig(device, waiter) { ops.SetupCommPort(Com1); }
    void script(const Script &lines)
    {
        device.intercept = [this, lines](const QByteArray &command, qint64 now) {
            bool scripted = false;
            for (const auto &[start, after, reply] : lines) {
                if (command.startsWith(start)) {
                    device.deliverAt(now + after, reply);
                    scripted = true;
                }
            }
            return scripted;
        };
    }
    QByteArrayList log() const { return model.log().lines(); }

    FakeWaiter waiter;
    FakeKorvex device{waiter};
};

} // namespace

// The port set-up, the attachment check and the four device operations.
class TestDeviceOperations : public QObject
{
    Q_OBJECT

private slots:
    void checkAttached_data()
    {
        // The answers to the 1st, 2nd ... probe, latencyMs after it; none left
        // is silence.
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<int>("tries");
        QTest::addColumn<int>("waits"); // of 5 ms
        QTest::addColumn<QString>("result");

        const QString wrong = u"Not a KORVEX that is connected (received 0x"_s;
        QTest::newRow("no device: 8 tries, 51 polls")
            << QByteArrayList() << 1 << 8 << 408 << QString::fromLatin1(Absent);
        QTest::newRow("the last byte counts: 0xE8") << QByteArrayList{"AB\xE8"} << 1 << 1 << 1 << QString();
        QTest::newRow("the last byte counts: 0x0A, in hex without a leading zero")
            << QByteArrayList(8, "\xE8\n") << 1 << 8 << 8 << wrong + u"A)"_s;
        QTest::newRow("wrong then right") << QByteArrayList{"A", "\xE8"} << 1 << 2 << 2 << QString();
        QTest::newRow("wrong, then silence: still wrong")
            << QByteArrayList{"A"} << 1 << 8 << 358 << wrong + u"41)"_s;
        QTest::newRow("late: read by the next try") << QByteArrayList{"\xE8"} << 300 << 2 << 60 << QString();
    }
    void checkAttached()
    {
        QFETCH(QByteArrayList, replies);
        QFETCH(int, latencyMs);
        QFETCH(int, tries);
        QFETCH(int, waits);
        QFETCH(QString, result);

        Rig rig;
        rig.device.intercept = [&](const QByteArray &, qint64 now) {
            rig.device.deliverAt(now + latencyMs, replies.value(rig.device.writes.size() - 1));
            return true;
        };

        QCOMPARE(rig.ops.CheckAttached(), result);
        QByteArrayList log = {"Check for KORVEX attached" + QByteArray(" *").repeated(tries)};
        if (result.isEmpty())
            log << "KORVEX responded after " + QByteArray::number(tries) + " tries";
        QCOMPARE(rig.log(), log);
        QCOMPARE(rig.waiter.delays(), QList<int>(waits, 5));
        QCOMPARE(rig.device.writes, QByteArrayList(tries, "z"));
        QCOMPARE(rig.waiter.pumps(), tries);
        QVERIFY(rig.device.isOpen());
    }

    void setupCommPort_data()
    {
        QTest::addColumn<QString>("stored");     // port, baud, parity
        QTest::addColumn<QByteArray>("applied"); // to the port | to the labels | messages

        // The parity label starts as "kept", so that a letter it ignores shows.
        QTest::newRow("defaults") << u"1,9600,N"_s << "1 9600,N,8,2|COM1 9600 NONE|"_ba;
        QTest::newRow("COM3, 19200, even") << u"3,19200,E"_s << "3 19200,E,8,2|COM3 19200 EVEN|"_ba;
        QTest::newRow("odd") << u"2,2400,O"_s << "2 2400,O,8,2|COM2 2400 ODD|"_ba;
        QTest::newRow("lower case reaches the port, label kept")
            << u"1,9600,e"_s << "1 9600,E,8,2|COM1 9600 kept|"_ba;
        QTest::newRow("refused settings: the steps after are not done")
            << u"4,fast,N"_s
            << "4 |COM1 9600 kept|Error setting up comm port - invalid port settings \"fast,N,8,2\": baud rate must be a positive whole number"_ba;
    }
    void setupCommPort()
    {
        QFETCH(QString, stored);
        QFETCH(QByteArray, applied);

        Rig rig;
        rig.model.setText(MainModel::Text::ParityLabel, u"kept"_s);
        rig.device.open();
        rig.device.portNumber = 0;
        rig.device.settings.clear();

        rig.ops.SetupCommPort({stored.section(u',', 0, 0).toShort(), stored.section(u',', 1, 1),
                               stored.section(u',', 2, 2), 0});

        const auto label = [&](MainModel::Text which) { return rig.model.text(which).toLatin1(); };
        QCOMPARE(QByteArray::number(rig.device.portNumber) + ' ' + rig.device.settings + '|' +
                     label(MainModel::Text::CommLabel) + ' ' + label(MainModel::Text::BaudLabel) + ' ' +
                     label(MainModel::Text::ParityLabel) + '|' + rig.shown(),
                 applied);
        QVERIFY(!rig.device.isOpen()); // closed first, and left closed
    }

    void rowExchange_data()
    {
        // Row 0 on screen, the device and its scripted answers. Seen: rows 0 and
        // 1, what else was shown, and the log from after the attachment check
        // up to row 1.
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("screen");
        QTest::addColumn<QByteArray>("faults"); // korvex-sim's options for the device
        QTest::addColumn<Script>("script");
        QTest::addColumn<QByteArrayList>("seen");

        const QByteArray healthy;
        const QByteArray ack = "\x06"_ba + '0';
        const QByteArray sent = "/W0{1C}AB[NUL]";
        const QByteArray asked = "Sent /R0[NUL]";
        const Script held = {{"/R0", 1, '\x1C' + "AB\0"_ba}};
        QTest::newRow("read: 33..126 plain, others as groups; after the 0x00 logged, not used")
            << Read << "Q|old"_ba << healthy << Script{{"/R0", 1, '\x5A' + "A ~\x7F\r\0B\x06"_ba}}
            << QByteArrayList{"ENTER|A{20}~{7F}{0D}|v", "||v", "", asked, "Response: ZA ~\x7F\r[NUL]B[ACK]"};
        QTest::newRow("read: the scancode alone")
            << Read << "Q|old"_ba << healthy << Script{{"/R0", 1, "\x1C"}}
            << QByteArrayList{"A||v", "||v", "", asked, "Response: {1C}"};
        QTest::newRow("read: unknown scancode: no key, no string; one hex digit")
            << Read << "Q|old"_ba << healthy << Script{{"/R0", 1, '\x02' + "AB\0"_ba}}
            << QByteArrayList{"||v", "||v", "", asked, "Response: {2}AB[NUL]"};
        QTest::newRow("read: an opening brace stays a byte; no 0x00: used to the end")
            << Read << "Q|old"_ba << healthy << Script{{"/R0", 1, "\x1C{7}"}}
            << QByteArrayList{"A|{7B}7}|v", "||v", "", asked, "Response: {1C}{7}"};
        QTest::newRow("read: too long: one message, the rest of the reply dropped")
            << Read << "Q|old"_ba << healthy << Script{{"/R0", 1, '\x1C' + "\x01QRSTUVWX\0"_ba}}
            << QByteArrayList{"A|{01}QRSTU|v", "||v",
                              "String entered for item # 1 is too long .. max string length is 6 chars",
                              asked, "Response: {1C}\x01QRSTUVWX[NUL]"};
        QTest::newRow("read: late: row 0 keeps its key, row 1 reads it before its own")
            << Read << "Q|old"_ba << healthy << Script{{"/R0", 251, '\x1C' + "AB\0"_ba}}
            << QByteArrayList{"Q||?", "A|AB|v", "", asked};
        const QByteArray ok = "success # 1";
        QTest::newRow("send: an empty row: no key is 0xFF, no string bytes")
            << Send << QByteArray() << healthy << Script()
            << QByteArrayList{"||v", "||v", "", "/W0{FF}[NUL]", asked, "Response: {FF}[NUL]", ok};
        QTest::newRow("send: an unknown key is scancode 0")
            << Send << "NOPE|x"_ba << healthy << Script()
            << QByteArrayList{"NOPE|x|?",     "||v", "#1 keyboard keyidentifier does not match screen",
                              "/W0{0}x[NUL]", asked, "FAILED to verify # 1"};
        QTest::newRow("send: groups are single bytes, logged raw; TAB's scancode has one hex digit")
            << Send << "TAB|A{0D}{7B}{7}{FF}"_ba << healthy << Script()
            << QByteArrayList{"TAB|A{0D}{7B}{7}{FF}|v",         "||v", "", "/W0{D}A\r{\x07\xFF[NUL]", asked,
                              "Response: {D}A\r{\x07\xFF[NUL]", ok};
        QTest::newRow("send: a 0x00 ends the string, nothing after it reaches the device")
            << Send << "A|X{}/W3"_ba << healthy << Script()
            << QByteArrayList{
                   "A|X{}/W3|?",          "||v", "#1 output string - X - does not match screen value",
                   "/W0{1C}X[NUL]",       asked, "Response: {1C}X[NUL]",
                   "FAILED to verify # 1"};
        QTest::newRow("send: a string starting with 0x00 sends no string bytes")
            << Send << "A|{00}Y"_ba << healthy << Script()
            << QByteArrayList{
                   "A|{00}Y|?",           "||v", "#1 output string -  - does not match screen value",
                   "/W0{1C}[NUL]",        asked, "Response: {1C}[NUL]",
                   "FAILED to verify # 1"};
        QTest::newRow("send: a single byte: timeout")
            << Send << "A|AB"_ba << healthy << Script{{"/W0", 1, "\x06"}}
            << QByteArrayList{"A|AB|?", "||?", "", sent, "timeout"};
        QTest::newRow("send: NO is logged as received")
            << Send << "A|AB"_ba << QByteArray("--write-reply NO") << Script()
            << QByteArrayList{"A|AB|?", "||?", "", sent, "NO"};
        QTest::newRow("send: polls go on after success: a later reply replaces it")
            << Send << "A|AB"_ba << healthy << Script{{"/W0", 1, ack}, {"/W0", 150, "??"}} + held
            << QByteArrayList{"A|AB|v", "||v", "", sent, asked, "Response: {1C}AB[NUL]", "??"};
        QTest::newRow("send: no read-back reply is not a success")
            << Send << "A|AB"_ba << healthy << Script{{"/W0", 1, ack}, {"/R0", 0, ""}}
            << QByteArrayList{"A|AB|?", "||v", "", sent, asked, "FAILED to verify # 1"};
        QTest::newRow("send: acknowledged but not stored: the read-back tells")
            << Send << "A|AB"_ba << QByteArray("--ack-no-store") << Script()
            << QByteArrayList{"A|AB|?", "||v", "#1 keyboard keyidentifier does not match screen",
                              sent,     asked, "FAILED to verify # 1"};
        QTest::newRow("verify: match; after the 0x00 logged, not compared")
            << Verify << "A|AB"_ba << healthy << Script{{"/R0", 1, '\x1C' + "AB\0\x06X"_ba}}
            << QByteArrayList{"A|AB|v", "||v", "", asked, "Response: {1C}AB[NUL][ACK]X"};
        QTest::newRow("verify: a device key for an empty screen row")
            << Verify << QByteArray() << healthy << Script{{"/R0", 1, "\x1C\0"_ba}}
            << QByteArrayList{"||?", "||v", "#1 keyboard keyidentifier does not match screen", asked};
        QTest::newRow("verify: output mismatch shows the device bytes")
            << Verify << "A|AB"_ba << healthy << Script{{"/R0", 1, '\x1C' + "A\r\0"_ba}}
            << QByteArrayList{"A|AB|?", "||v", "#1 output string - A{0D} - does not match screen value",
                              asked, "Response: {1C}A\r[NUL]"};
        QTest::newRow("verify: space, braces, groups of one and two digits compare as bytes")
            << Verify << "A| {7B}{7D}{7}{51}"_ba << healthy << Script{{"/R0", 1, "\x1C {}\x07Q\0"_ba}}
            << QByteArrayList{"A| {7B}{7D}{7}{51}|v", "||v", "", asked, "Response: {1C} {}\x07Q[NUL]"};
        const QByteArray asking = "Requesting Version";
        QTest::newRow("version: CR LF kept")
            << Version << QByteArray() << "--version-text v1.07\\r\\n"_ba << Script()
            << QByteArrayList{"||-", "||-", "Code Version Reported: v1.07\r\n", asking,
                              "Version = v1.07\r\n"};
        QTest::newRow("version: as far as it arrived in 25 ms")
            << Version << QByteArray() << healthy << Script{{"V", 10, "1."}, {"V", 26, "5"}}
            << QByteArrayList{"||-", "||-", "Code Version Reported: 1.", asking, "Version = 1."};
        const QByteArray silent = "--silent";
        const QByteArray probes = "Check for KORVEX attached" + QByteArray(" *").repeated(8);
        QTest::newRow("no device: read beeps, marks the rows unconfirmed, reads none")
            << Read << "A|AB"_ba << silent << Script()
            << QByteArrayList{"A|AB|?", "||?", "(beep)", "Read Operation Requested", probes, Absent};
        QTest::newRow("no device: send beeps, sends nothing")
            << Send << "A|AB"_ba << silent << Script()
            << QByteArrayList{"A|AB|-", "||-", "(beep)", probes, Absent};
        QTest::newRow("no device: verify beeps, verifies nothing")
            << Verify << "A|AB"_ba << silent << Script()
            << QByteArrayList{"A|AB|-", "||-", "(beep)", probes, Absent};
        QTest::newRow("no device: the version is asked all the same, no beep")
            << Version << "A|AB"_ba << silent << Script()
            << QByteArrayList{"A|AB|-", "||-",          "Code Version Reported: ???", probes, Absent,
                              asking,   "Version = ???"};
    }
    void rowExchange()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, screen);
        QFETCH(QByteArray, faults);
        QFETCH(Script, script);
        QFETCH(QByteArrayList, seen);

        Rig rig;
        QCOMPARE(rig.device.configure(faults), QString());
        rig.setRow(0, screen);
        rig.script(script);

        operation(rig.ops);

        QByteArrayList log = rig.log();
        log = log.mid(log.indexOf("KORVEX responded after 1 tries") + 1);
        const auto rowOne = std::find_if(log.begin(), log.end(), [](const QByteArray &line) {
            return line.startsWith("Sent /R1") || line.startsWith("/W1");
        });
        QCOMPARE((QByteArrayList{rig.row(0), rig.row(1), rig.shown()} + log.mid(0, rowOne - log.begin())),
                 seen);
    }

    void interrupted_data()
    {
        // At the first tick from `at` ms on, the window closes, or the port is
        // lost (a message expected); -1: the port cannot be opened at all.
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("at");
        QTest::addColumn<QByteArray>("message");
        for (const auto &[name, operation, failure] : Operations) {
            QTest::addRow("%s: closed in the attachment check", name) << operation << 3 << QByteArray();
            QTest::addRow("%s: closed after it", name) << operation << 20 << QByteArray();
            QTest::addRow("%s: port lost after it", name)
                << operation << 20 << failure + "the port is not open";
        }
        QTest::newRow("version: port in use, label kept")
            << Version << -1
            << "Error checking for KORVEX attachment- in use\nError getting code version. in use"_ba;
    }
    void interrupted()
    {
        QFETCH(Operation, operation);
        QFETCH(int, at);
        QFETCH(QByteArray, message);

        Rig rig;
        QCOMPARE(rig.device.configure("--delay-ms z=3"), QString()); // the probe's answer comes after 3 ms
        rig.device.openFailure = at < 0 ? u"in use"_s : QString();
        qsizetype waitsThen = at < 0 ? 0 : -1;
        rig.waiter.onAdvance = [&, arrive = rig.waiter.onAdvance](qint64 now) {
            arrive(now);
            if (now < at || waitsThen >= 0)
                return;
            waitsThen = rig.waiter.delays().size();
            if (message.isEmpty())
                throw OperationAborted();
            rig.device.close();
            rig.device.openFailure = u"gone"_s;
        };

        operation(rig.ops);

        QCOMPARE(rig.shown(), message);
        QCOMPARE(rig.waiter.delays().size(), waitsThen); // ended at once
        QVERIFY(!rig.device.isOpen());
        QVERIFY(!rig.model.isBusy());
    }

    void timings_data()
    {
        // The same exchange under the window's, the protocol's and the reply
        // timing: the same rows, log, messages and outcomes; only the time
        // taken differs.
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<int>("windowPauseMs"); // the window's pause after the last row
        QTest::addColumn<int>("msPerByte");     // how fast the line brings a reply
        const QByteArray slow = "--delay-ms z=240 --delay-ms R=90 --delay-ms W=90 --delay-ms V=20";
        for (const auto &[name, operation, failure] : Operations) {
            const int pause = operation == Read ? 2000 : operation == Send ? 1000 : 0;
            QTest::addRow("%s: prompt device", name) << operation << QByteArray() << pause << 0;
            QTest::addRow("%s: replies near the protocol's limits", name) << operation << slow << pause << 0;
            // A reply is whole at its 0x00, not at its first byte; bytes after
            // it still belong to it while they keep coming.
            QTest::addRow("%s: pauses inside a reply", name) << operation << QByteArray() << pause << 20;
            QTest::addRow("%s: bytes after the 0x00", name) << operation << "--trailing 0641"_ba << pause << 1;
            // Past the protocol's limit only a read defines where a reply
            // goes: into the next row's, in front of it.
            QTest::addRow("%s: a device that stores nothing%s", name, operation == Read ? ", a late row" : "")
                << operation << (operation == Read ? "--late-row 3 --ack-no-store"_ba : "--ack-no-store"_ba)
                << pause << 0;
        }
    }
    void timings()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, faults);
        QFETCH(int, windowPauseMs);
        QFETCH(int, msPerByte);
        QList<QByteArrayList> seen;
        QList<qint64> took;
        for (const auto timing :
             {DeviceSession::Timing::Window, DeviceSession::Timing::Protocol, DeviceSession::Timing::Reply}) {
            Rig rig;
            QCOMPARE(rig.device.configure(faults), QString());
            rig.device.msPerByte = msPerByte;
            rig.ops.setTiming(timing);
            rig.setRow(0, "F1|{C7}A");
            rig.setRow(5, "TAB|{0D}{0A}");
            rig.device.setRow(5, 0x0D, "\r\n");
            const SessionResult result = operation(rig.ops);
            QByteArrayList state = rig.log() << rig.shown() << QByteArray::number(int(result.status)) << result.version;
            for (int i = 0; i < RowCount; ++i) {
                const RowOutcome &row = result.rows[std::size_t(i)];
                state << rig.row(i) + ' ' + QByteArray::number(int(row.kind)) + row.deviceKey + row.deviceString;
            }
            seen << state;
            took << rig.waiter.now();
        }
        QCOMPARE(seen[1], seen[0]);
        QCOMPARE(seen[2], seen[0]);
        QCOMPARE(took[0] - took[1], windowPauseMs);
        if (faults.isEmpty() && !msPerByte && operation != Version) // 25 ms is too short to gain much
            QVERIFY2(took[2] * 4 < took[1], qPrintable(QStringLiteral("%1 ms against %2").arg(took[2]).arg(took[1])));
    }

    void whileOneRuns_data()
    {
        QTest::addColumn<Operation>("outer");
        QTest::addColumn<Operation>("inner");
        for (const auto &[outerName, outer, outerFailure] : Operations) {
            for (const auto &[innerName, inner, innerFailure] : Operations)
                QTest::addRow("%s during %s", innerName, outerName) << outer << inner;
        }
    }
    void whileOneRuns()
    {
        // A second operation is refused and changes nothing; new port settings
        // wait for the end.
        QFETCH(Operation, outer);
        QFETCH(Operation, inner);

        Rig rig;
        QSignalSpy busy(&rig.model, &MainModel::busyChanged);
        bool unchanged = false;
        rig.waiter.onAdvance = [&, arrive = rig.waiter.onAdvance, tried = false](qint64 now) mutable {
            arrive(now);
            if (now < 20 || std::exchange(tried, true))
                return;
            const auto before = std::make_tuple(rig.log(), rig.device.writes.size(), rig.device.isOpen());
            inner(rig.ops);
            rig.ops.SetupCommPort({3, u"9600"_s, u"N"_s, 0});
            unchanged = rig.model.isBusy() &&
                        before == std::make_tuple(rig.log(), rig.device.writes.size(), rig.device.isOpen());
        };

        outer(rig.ops);

        QVERIFY(unchanged);
        QCOMPARE(busy.size(), 2);
        QCOMPARE(rig.model.text(MainModel::Text::CommLabel), u"COM3"_s);
    }
};

QTEST_GUILESS_MAIN(TestDeviceOperations)
#include "tst_deviceoperations.moc"
