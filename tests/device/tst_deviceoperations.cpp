#include "FakeKorvex.h"
#include "OperationsRig.h"
#include "TestFiles.h"

#include "core/SettingsFile.h"
#include "device/PortMapping.h"
#include "device/QtSerialLink.h"

#include <QtTest>

#include <tuple>

using namespace Qt::StringLiterals;

using Operation = SessionResult (*)(OperationsRig &);
const Operation Read = [](OperationsRig &r) { return r.ops.readRows(); };
const Operation Send = [](OperationsRig &r) { return r.ops.sendRows(r.screen()); };
const Operation Verify = [](OperationsRig &r) { return r.ops.verifyRows(r.screen()); };
const Operation Version = [](OperationsRig &r) { return r.ops.queryVersion(); };
// Each with how its error message begins.
const std::tuple<const char *, Operation, QByteArray> Operations[] = {
    {"read", Read, "Error retrieve current key overrides - "},
    {"send", Send, "Error sending to KORVEX. "},
    {"verify", Verify, "Error verifying values. "},
    {"version", Version, "Error getting code version. "}};
// Commands answered in the device's place: how the command begins, the ms
// after it and the reply (empty: none).
using Script = QList<std::tuple<QByteArray, int, QByteArray>>;
// Row 0 as typed, the device's faults (korvex-sim's options) and answers
// scripted in its place; then, after the operation, rows 0 and 1 as shown, the
// log from after the attachment check up to row 1, and the prompts and code
// version shown.
struct Exchange
{
    Operation operation;
    ShownRow screen; // as typed
    QByteArray faults;
    Script script;
    ShownRow row0, row1;
    QByteArrayList log;
    QByteArray shown{};
};
const QByteArray Absent = "KORVEX not responsing on port COM1"_ba;
// COMn, its [PORTS] value, and the devices under /dev the system lists, those
// with a USB vendor id after those without: the device it is.
struct Mapping
{
    int port;
    QString configured;
    QStringList listed, withVendorId;
    QString expected;
};

// Over the fake device on virtual time.
struct Rig : OperationsRig
{
    Rig() : OperationsRig(device, waiter) { ops.SetupCommPort(Com1); }
    QByteArrayList log() const { return model.log().lines(); }

    FakeWaiter waiter;
    FakeKorvex device{waiter};
};

// The port set-up, the attachment check and the four device operations;
// the simulator's rows across restarts; which device COMn is, and what the
// operator is told when it cannot be opened.
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
        const QByteArrayList none;
        // clang-format off
        QTest::newRow("no device: 8 tries, 51 polls") << none << 1 << 8 << 408 << QString::fromLatin1(Absent);
        QTest::newRow("the last byte counts: 0xE8") << QByteArrayList{"AB\xE8"} << 1 << 1 << 1 << QString();
        QTest::newRow("the last byte counts: 0x0A, in hex without a leading zero")
            << QByteArrayList(8, "\xE8\n") << 1 << 8 << 8 << wrong + u"A)"_s;
        QTest::newRow("wrong then right") << QByteArrayList{"A", "\xE8"} << 1 << 2 << 2 << QString();
        QTest::newRow("wrong, then silence: still wrong")
            << QByteArrayList{"A"} << 1 << 8 << 358 << wrong + u"41)"_s;
        QTest::newRow("late: read by the next try") << QByteArrayList{"\xE8"} << 300 << 2 << 60 << QString();
        // clang-format on
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

    void rowExchange_data()
    {
        QTest::addColumn<Exchange>("exchange");
        const auto row = [](const char *name, const Exchange &exchange) { QTest::newRow(name) << exchange; };
        const ShownRow none, unconfirmed{{}, {}, QuestionMark}, verified{{}, {}, CheckMark}; // empty rows
        const QByteArray ack = "\x06"_ba + '0', nak = "\x15"_ba + '0', beep = "(beep)";
        const QByteArray sent = "/W0{1C}AB[NUL]", asked = "Sent /R0[NUL]", asking = "Requesting Version";
        const QByteArray ok = "success # 1", failed = "FAILED to verify # 1";
        const QByteArray keyDiffers = "#1 keyboard keyidentifier does not match screen";
        const QByteArray attach = "Check for KORVEX attached" + QByteArray(" *").repeated(8);
        const ShownRow old{"Q", "old"}, ab{"A", "AB"}, abUnconfirmed{"A", "AB", QuestionMark},
            abVerified{"A", "AB", CheckMark};
        // clang-format off
        row("read: 33..126 plain, others as groups; after the 0x00 logged, not used", {Read, old, {},
            {{"/R0", 1, '\x5A' + "A ~\x7F\r\0B\x06"_ba}}, {"ENTER", "A{20}~{7F}{0D}", CheckMark}, verified,
            {asked, "Response: ZA ~\x7F\r[NUL]B[ACK]"}});
        row("read: unknown scancode: no key, no string; 126 logged as a group", {Read, old, {},
            {{"/R0", 1, '\x7E' + "AB\0"_ba}}, verified, verified, {asked, "Response: {7E}AB[NUL]"}});
        row("read: an opening brace stays a byte; no 0x00: used to the end", {Read, old, {},
            {{"/R0", 1, "\x1C{7}"}}, {"A", "{7B}7}", CheckMark}, verified, {asked, "Response: {1C}{7}"}});
        row("read: too long: one message, the rest of the reply dropped", {Read, old, {},
            {{"/R0", 1, '\x1C' + "\x01QRSTUVWX\0"_ba}}, {"A", "{01}QRSTU", CheckMark}, verified,
            {asked, "Response: {1C}\x01QRSTUVWX[NUL]"},
            "String entered for item # 1 is too long .. max string length is 6 chars"});
        row("read: late: row 0 keeps its key, row 1 reads it before its own", {Read, old, {},
            {{"/R0", 251, '\x1C' + "AB\0"_ba}}, {"Q", "", QuestionMark}, abVerified, {asked}});
        row("send: an empty row: no key is 0xFF, no string bytes",
            {Send, {}, {}, {}, verified, verified, {"/W0{FF}[NUL]", asked, "Response: {FF}[NUL]", ok}});
        row("send: an unknown key is scancode 0", {Send, {"NOPE", "x"}, {}, {}, {"NOPE", "x", QuestionMark},
            verified, {"/W0{0}x[NUL]", asked, failed}, keyDiffers});
        row("send: groups are single bytes, logged raw; TAB's scancode without a leading zero, {D}", {Send,
            {"TAB", "A{0D}{7B}{7}{FF}"}, {}, {}, {"TAB", "A{0D}{7B}{7}{FF}", CheckMark}, verified,
            {"/W0{D}A\r{\x07\xFF[NUL]", asked, "Response: {D}A\r{\x07\xFF[NUL]", ok}});
        row("send: a 0x00 ends the string, nothing after it is sent; a printable scancode in braces", {Send,
            {"ENTER", "X{}/W3"}, {}, {}, {"ENTER", "X{}/W3", QuestionMark}, verified,
            {"/W0{5A}X[NUL]", asked, "Response: ZX[NUL]", failed},
            "#1 output string - X - does not match screen value"});
        row("send: a single byte: timeout; no part of the next row's reply",
            {Send, ab, {}, {{"/W0", 1, "\x06"}}, abUnconfirmed, verified, {sent, "timeout"}});
        row("send: NAK logged as received", {Send, ab, "--nak", {}, abUnconfirmed, unconfirmed, {sent, nak}});
        row("send: polls go on after success: a later reply replaces it", {Send, ab, {},
            {{"/W0", 1, ack}, {"/W0", 150, "??"}, {"/R0", 1, '\x1C' + "AB\0"_ba}}, abVerified, verified,
            {sent, asked, "Response: {1C}AB[NUL]", "??"}});
        row("send: no read-back reply is not a success", {Send, ab, {}, {{"/W0", 1, ack}, {"/R0", 0, ""}},
            abUnconfirmed, verified, {sent, asked, failed}});
        row("verify: match; after the 0x00 logged, not compared", {Verify, ab, {},
            {{"/R0", 1, '\x1C' + "AB\0\x06X"_ba}}, abVerified, verified,
            {asked, "Response: {1C}AB[NUL][ACK]X"}});
        row("verify: a device key for an empty screen row",
            {Verify, {}, {}, {{"/R0", 1, "\x1C\0"_ba}}, unconfirmed, verified, {asked}, keyDiffers});
        row("verify: output mismatch shows the device bytes", {Verify, ab, {},
            {{"/R0", 1, '\x1C' + "A\r\0"_ba}}, abUnconfirmed, verified, {asked, "Response: {1C}A\r[NUL]"},
            "#1 output string - A{0D} - does not match screen value"});
        row("verify: space, braces, groups of one and two digits compare as bytes", {Verify,
            {"A", " {7B}{7D}{7}{51}"}, {}, {{"/R0", 1, "\x1C {}\x07Q\0"_ba}},
            {"A", " {7B}{7D}{7}{51}", CheckMark}, verified, {asked, "Response: {1C} {}\x07Q[NUL]"}});
        row("verify: a row ending in {} matches what its send left", {Verify, {"A", "AB{}"}, {},
            {{"/R0", 1, '\x1C' + "AB\0"_ba}}, {"A", "AB{}", CheckMark}, verified,
            {asked, "Response: {1C}AB[NUL]"}});
        row("verify: no reply: the row keeps the question mark",
            {Verify, ab, {}, {{"/R0", 0, ""}}, abUnconfirmed, verified, {asked}});
        row("version: CR LF kept", {Version, {}, "--version-text v1.07\\r\\n", {}, none, none,
            {asking, "Version = v1.07\r\n"}, "Code Version Reported: v1.07\r\n"});
        row("version: as far as it arrived in 25 ms", {Version, {}, {}, {{"V", 10, "1."}, {"V", 26, "5"}},
            none, none, {asking, "Version = 1."}, "Code Version Reported: 1."});
        row("no device: read beeps, marks the rows unconfirmed, reads none", {Read, ab, "--silent", {},
            abUnconfirmed, unconfirmed, {"Read Operation Requested", attach, Absent}, beep});
        row("no device: send only beeps", {Send, ab, "--silent", {}, ab, none, {attach, Absent}, beep});
        row("no device: verify only beeps", {Verify, ab, "--silent", {}, ab, none, {attach, Absent}, beep});
        row("no device: the version is asked all the same, no beep", {Version, ab, "--silent", {}, ab, none,
            {attach, Absent, asking, "Version = ???"}, "Code Version Reported: ???"});
        // clang-format on
    }
    void rowExchange()
    {
        QFETCH(Exchange, exchange);
        Rig rig;
        QCOMPARE(rig.device.configure(exchange.faults), QString());
        rig.setRow(0, exchange.screen);
        rig.device.intercept = [&](const QByteArray &command, qint64 now) {
            bool scripted = false;
            for (const auto &[start, after, reply] : exchange.script) {
                if (command.startsWith(start)) {
                    rig.device.deliverAt(now + after, reply);
                    scripted = true;
                }
            }
            return scripted;
        };

        exchange.operation(rig);

        QCOMPARE(rig.row(0), exchange.row0);
        QCOMPARE(rig.row(1), exchange.row1);
        QCOMPARE(rig.shown(), exchange.shown);
        QByteArrayList seen = rig.log();
        seen = seen.mid(seen.indexOf("KORVEX responded after 1 tries") + 1);
        const auto rowOne = std::find_if(seen.begin(), seen.end(), [](const QByteArray &line) {
            return line.startsWith("Sent /R1") || line.startsWith("/W1");
        });
        QCOMPARE(seen.mid(0, rowOne - seen.begin()), exchange.log);
    }

    void readOutcomes()
    {
        // What a command line makes of each row read: a key it cannot name, a
        // row longer than six units, a missing reply and everything after it
        // are not data; nor is what waited before a row was asked for (a
        // late reply of an earlier run, come in after the probe).
        Rig rig;
        rig.waiter.onPump = [&, stale = '\x2D' + "OLD\0"_ba]() mutable {
            rig.device.deliverAt(rig.waiter.now(), std::exchange(stale, {}));
        };
        const QByteArrayList replies = {'\x1C' + "AB\0"_ba,      "\xFF\0"_ba, '\x02' + "AB\0"_ba,
                                        '\x1C' + "ABCDEFG\0"_ba, {},          "\x1C\0"_ba};
        rig.device.intercept = [&](const QByteArray &command, qint64 now) {
            if (!command.startsWith("/R"))
                return false;
            rig.device.deliverAt(now + 1, replies.value(command.at(2) - '0', "\x1C\0"_ba));
            return true;
        };
        const SessionResult result = rig.ops.readRows();
        using K = RowOutcome::Kind;
        QList<K> kinds;
        for (int i = 0; i < 7; ++i)
            kinds << result.rows[std::size_t(i)].kind;
        QCOMPARE(kinds, (QList<K>{K::Read, K::Read, K::UnknownKey, K::Cut, K::NoReply, K::Unreliable,
                                  K::Unreliable}));
        QCOMPARE(result.rows[0].deviceString + result.rows[3].deviceString, "ABABCDEFG"_ba);
        QCOMPARE(rig.row(3), (ShownRow{"A", "ABCDEF", CheckMark})); // the window cuts it as typing would
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

        operation(rig);

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
            const QByteArray storesNothing =
                operation == Read ? "--late-row 3 --ack-no-store" : "--ack-no-store";
            QTest::addRow("%s: prompt device", name) << operation << QByteArray() << pause << 0;
            QTest::addRow("%s: replies near the protocol's limits", name) << operation << slow << pause << 0;
            // A reply is whole at its 0x00, not at its first byte; bytes after
            // it still belong to it while they keep coming.
            QTest::addRow("%s: pauses inside a reply, longer than the line stays quiet", name)
                << operation << QByteArray() << pause << 5;
            QTest::addRow("%s: bytes after the 0x00", name)
                << operation << "--trailing 0641"_ba << pause << 1;
            // Past the protocol's limit only a read defines where a reply
            // goes: into the next row's, in front of it.
            QTest::addRow("%s: a device that stores nothing%s", name, operation == Read ? ", a late row" : "")
                << operation << storesNothing << pause << 0;
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
            rig.setRow(0, {"F1", "{C7}A"});
            rig.setRow(5, {"TAB", "{0D}{0A}"});
            rig.device.setRow(5, 0x0D, "\r\n");
            const SessionResult result = operation(rig);
            // An idle window holds no port: another program may want it.
            QVERIFY(!rig.device.isOpen());
            QByteArrayList state = rig.log()
                                   << rig.shown() << QByteArray::number(int(result.status)) << result.version;
            for (int i = 0; i < RowCount; ++i) {
                const RowOutcome &row = result.rows[std::size_t(i)];
                state << rig.row(i).key + '|' + rig.row(i).string + '|' +
                             QByteArray::number(rig.row(i).icon) + ' ' + QByteArray::number(int(row.kind)) +
                             row.deviceKey + row.deviceString;
            }
            seen << state;
            took << rig.waiter.now();
        }
        QCOMPARE(seen[1], seen[0]);
        QCOMPARE(seen[2], seen[0]);
        QCOMPARE(took[0] - took[1], windowPauseMs);
        if (faults.isEmpty() && !msPerByte && operation != Version) // 25 ms is too short to gain much
            QVERIFY2(took[2] * 4 < took[1],
                     qPrintable(QStringLiteral("%1 ms against %2").arg(took[2]).arg(took[1])));
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
        // wait for the end, then reach the port and the labels.
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
            inner(rig);
            rig.ops.SetupCommPort({3, u"19200"_s, u"e"_s, 0});
            unchanged = rig.model.isBusy() &&
                        before == std::make_tuple(rig.log(), rig.device.writes.size(), rig.device.isOpen());
        };

        outer(rig);

        QVERIFY(unchanged);
        QCOMPARE(busy.size(), 2);
        // Lower case reaches the port as upper case; the parity label ignores it.
        QCOMPARE(rig.device.portNumber, 3);
        QCOMPARE(rig.device.settings, "19200,E,8,2"_ba);
        const auto label = [&](MainModel::Text which) { return rig.model.text(which); };
        QCOMPARE((QStringList{label(MainModel::Text::CommLabel), label(MainModel::Text::BaudLabel),
                              label(MainModel::Text::ParityLabel)}),
                 (QStringList{u"COM3"_s, u"19200"_s, u"NONE"_s}));
    }

    void refusedSettingsAndProgress()
    {
        // Settings the port refuses are reported, and the steps after them
        // are not done: the labels keep what they showed.
        Rig rig;
        // (A baud rate that is no number at all: tst_korvexctl, in the same words.)
        rig.ops.SetupCommPort({4, u"+9600"_s, u"N"_s, 0});
        QCOMPARE(rig.shown(), "Error setting up comm port - invalid port settings \"+9600,N,8,2\": baud rate "
                              "must be a positive whole number"_ba);
        QCOMPARE(rig.model.text(MainModel::Text::CommLabel), u"COM1"_s);
        // A read and a send step the percentage row by row, remainder dropped.
        rig.ops.SetupCommPort(OperationsRig::Com1);
        QStringList steps;
        connect(&rig.model.progress(), &ProgressModel::changed, this, [&] {
            const QString text = rig.model.progress().percentText();
            if (text.endsWith(u'%') && !steps.endsWith(text))
                steps << text;
        });
        rig.ops.readRows();
        QCOMPARE(steps.join(u' '), u"0% 6% 13% 20% 26% 33% 40% 46% 53% 60% 66% 73% 80% 86% 93% 100%"_s);
    }

    void simulatorKeepsItsRows()
    {
        // korvex-sim's state file, which keeps script/run's device across
        // restarts: a row set is there for a new store, and the save went
        // through a temporary renamed into place.
#ifdef Q_OS_WIN
        QSKIP("the simulator, and so its state file, runs only where pseudo-terminals do");
#endif
        QTemporaryDir dir;
        const std::string path = dir.filePath(u"rows.txt"_s).toStdString();
        std::string error;
        RowStore first, again;
        QVERIFY(first.load(path, error) && first.set(7, {0x1C, "A\xC7"}, error) && again.load(path, error));
        QCOMPARE(again.row(7).scancode, 0x1C);
        QCOMPARE(QByteArray::fromStdString(again.row(7).bytes), "A\xC7"_ba);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"rows.txt"_s});
    }

    void resolveDevicePath_data()
    {
        QTest::addColumn<Mapping>("mapping");
        const auto add = [](const char *name, const Mapping &mapping) { QTest::newRow(name) << mapping; };
        // clang-format off
        add("configured path wins", {1, u"/dev/pts/7"_s, {u"ttyUSB0"_s}, {}, u"pts/7"_s});
        add("configured bare name is under /dev", {2, u" ttyS3 "_s, {}, {}, u"ttyS3"_s});
        add("blank configured value is ignored", {1, u"  "_s, {u"ttyUSB0"_s}, {}, u"ttyUSB0"_s});
        add("first adapter is COM1, no phantom ttyS", {1, {}, {u"ttyS0"_s, u"ttyACM0"_s}, {}, u"ttyACM0"_s});
        add("adapters in number order, each once",
            {2, {}, {u"ttyUSB10"_s, u"ttyUSB2"_s}, {u"ttyUSB2"_s}, u"ttyUSB10"_s});
        add("any device with a vendor id counts", {1, {}, {u"ttyS0"_s}, {u"ttyS4"_s}, u"ttyS4"_s});
        add("past the adapters: ttyS(n-1)", {3, {}, {u"ttyUSB0"_s}, {}, u"ttyS2"_s});
        // clang-format on
        // The [PORTS] example an operator copies from the README, comments and all.
        QByteArray text = readFile(QFINDTESTDATA("../../README.md"));
        const qsizetype start = text.indexOf("```ini\n") + 7;
        QTemporaryDir dir;
        const SettingsFile settings(
            writeFile(dir.filePath(u"Korvex.ini"_s),
                      text.mid(start, text.indexOf("```", start) - start).replace("   ", "")));
        const PortsSection mapped = settings.ports();
        QVERIFY(mapped.problems.isEmpty());
        add("README: COM1 a path", {1, mapped.devices.at(1), {}, {}, u"ttyUSB0"_s});
        add("README: COM2 a bare name", {2, mapped.devices.at(2), {}, {}, u"ttyACM0"_s});
    }
    void resolveDevicePath()
    {
        QFETCH(Mapping, mapping);
        const auto &[port, configured, listed, withVendorId, expected] = mapping;
        QList<SerialPortEntry> entries;
        for (const QString &name : listed + withVendorId)
            entries.append({u"/dev/"_s + name, entries.size() >= listed.size(), {}, {}});
        QCOMPARE(::resolveDevicePath(port, configured, entries), u"/dev/"_s + expected);
#ifndef Q_OS_WIN
        // A [PORTS] line that cannot be read may have meant this COMn: no
        // default device for it, only the ports the section does name.
        PortsSection broken{{{ port + 1, u"/dev/ttyUSB7"_s }}, { u"Korvex.ini: line 2: \"COM05=/dev/x\""_s }};
        QVERIFY_THROWS_EXCEPTION(KorvexError, serialDevicePath(port, broken));
        QCOMPARE(serialDevicePath(port + 1, broken), u"/dev/ttyUSB7"_s);
#endif
    }

    void offeredComPorts()
    {
        // After COM1 ... COM8, each system port above them with its name and
        // the stored one in its place: COM3 plain, no COM256, COM12 once.
        const QList<SystemComPort> system{
            {20, {}}, {3, u"USB Serial Port"_s}, {12, u"USB Serial Port (FTDI)"_s}, {256, {}}};
        const QMap<int, QString> offered = ::offeredComPorts(system, 15);
        QCOMPARE(offered.keys(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 12, 15, 20}));
        QCOMPARE(offered.values().join(u'|'),
                 u"COM1|COM2|COM3|COM4|COM5|COM6|COM7|COM8|COM12 USB Serial Port (FTDI)|COM15|COM20"_s);
        QCOMPARE(::offeredComPorts(system, 12), ::offeredComPorts(system, 0));
    }

    void openFailureTellsWhatToDo()
    {
        // Windows denies a port only to a second program: no group to join;
        // a missing COMn is not there at all. Elsewhere: join dialout when the
        // device is dialout's, else ask its owner; missing: name it in [PORTS].
        const std::tuple<OpenFailure, const char *, const char *> hints[] = {
#ifdef Q_OS_WIN
            {OpenFailure::NoPermission, "dialout", "is in use by another program"},
            {OpenFailure::NotFound, "", "does not exist on this computer"},
#else
            {OpenFailure::NoPermission, "dialout", "usermod -aG dialout"},
            {OpenFailure::NoPermission, "tty", "belongs to the user root and the group tty: ask"},
            {OpenFailure::NotFound, "", "[PORTS] section of Korvex.ini"},
#endif
            {OpenFailure::InUse, "", "in use by another program"}};
        for (const auto &[kind, group, hint] : hints) {
            const KorvexError error = openFailure(u"COM2"_s, u"/dev/ttyUSB1"_s, kind, u"system text"_s,
                                                  {u"root"_s, QLatin1String(group)}, "9600,N,8,2");
            QVERIFY2(error.description().startsWith(u"COM2 (/dev/ttyUSB1)"_s) &&
                         error.description().contains(QLatin1String(hint)),
                     qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceOperations)
#include "tst_deviceoperations.moc"
