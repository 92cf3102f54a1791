// The simulated device, driven as the program drives it: a child process
// whose pseudo-terminal is opened like a serial port.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int WaitMs = 5000;

// Wire bytes written as text with {HH} for any byte, e.g. "/R3{00}".
QByteArray wire(const char *text)
{
    QByteArray bytes;
    for (const char *c = text; *c; ++c) {
        if (*c == '{' && c[1] && c[2] && c[3] == '}') {
            bytes.append(char(QByteArray::fromHex(QByteArray(c + 1, 2)).at(0)));
            c += 3;
        } else {
            bytes.append(*c);
        }
    }
    return bytes;
}

const QByteArray VersionReply = QByteArrayLiteral("KORVEX 2.14\r\n");

// The simulator as a child process.
class Sim
{
public:
    explicit Sim(const QStringList &args) { m_process.start(QString::fromUtf8(KORVEX_SIM_PATH), args); }
    ~Sim() { stop(SIGTERM); }

    // The terminal's path from the first output line; empty when the
    // simulator ended instead.
    QString waitForPath()
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(WaitMs))
                return {};
        }
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    QByteArray log()
    {
        m_log += m_process.readAllStandardError();
        return m_log;
    }

    bool isRunning() const { return m_process.state() == QProcess::Running; }

    // Sends sig and returns the exit code; -1 when it crashed or would not end.
    int stop(int sig)
    {
        if (isRunning()) {
            ::kill(static_cast<pid_t>(m_process.processId()), sig);
            if (!m_process.waitForFinished(WaitMs)) {
                m_process.kill();
                m_process.waitForFinished(WaitMs);
                return -1;
            }
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_log;
};

// The host's end of the line: the terminal opened with plain POSIX calls and
// left in whatever mode the simulator put it, so that a line that is not raw
// shows up as translated or echoed bytes.
class PtyClient : public QObject
{
public:
    ~PtyClient() override { close(); }

    bool open(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return false;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyClient::readAvailable);
        m_clock.start();
        return true;
    }

    void close()
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool send(const QByteArray &bytes)
    {
        m_sentAt = m_clock.elapsed();
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n =
                ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    QByteArray received;
    bool hungUp = false;
    // Milliseconds from the last send to the first and the last byte read.
    qint64 firstByteMs() const { return m_firstByteAt - m_sentAt; }
    qint64 lastByteMs() const { return m_lastByteAt - m_sentAt; }

private:
    void readAvailable()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                if (received.isEmpty())
                    m_firstByteAt = m_clock.elapsed();
                m_lastByteAt = m_clock.elapsed();
                received.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return;
            // End of file or EIO: the other side hung up.
            hungUp = true;
            m_notifier->setEnabled(false);
            return;
        }
    }

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QElapsedTimer m_clock;
    qint64 m_sentAt = 0;
    qint64 m_firstByteAt = 0;
    qint64 m_lastByteAt = 0;
};

// A started simulator with its terminal open.
struct Session
{
    explicit Session(const QStringList &args) : sim(args)
    {
        path = sim.waitForPath();
        ok = !path.isEmpty() && client.open(path);
    }
    Sim sim;
    PtyClient client;
    QString path;
    bool ok = false;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class tst_KorvexSim : public QObject
{
    Q_OBJECT

private slots:
    void exchanges_data();
    void exchanges();
    void commandSplitOverWrites();
    void faults_data();
    void faults();
    void splitRepliesComeByteByByte();
    void silentNeverAnswers();
    void hangupAfterCommands();
    void floodIsBounded();
    void bytesSentWhileClosedAreLost();
    void serialPortOpensAgainAndAgain();
    void rowsSurviveRestart();
    void stateFileIsRead();
    void badStateFileIsRefused_data();
    void badStateFileIsRefused();
    void logShowsCommandsAndReplies();
    void linkFollowsSimulator_data();
    void linkFollowsSimulator();
    void linkNeverReplacesFile();
    void badCommandLine_data();
    void badCommandLine();
};

void tst_KorvexSim::exchanges_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("probe is answered with E8") << wire("z") << wire("{E8}");
    QTest::newRow("version query") << wire("V") << VersionReply;
    QTest::newRow("row never written reads as no key") << wire("/R5{00}") << wire("{FF}{00}");
    QTest::newRow("write is acknowledged with its index character and reads back")
        << wire("/W7{1C}AB{00}/R7{00}") << wire("{06}7{1C}AB{00}");
    // CR, ^C, XON, DEL, 8-bit bytes and a newline in both directions: a line
    // that is not raw would translate, swallow or echo some of them.
    QTest::newRow("control and 8-bit bytes cross the raw line unchanged")
        << wire("/W3{0D}{0A}{03}{11}{7F}{80}{FF}{00}/R3{00}")
        << wire("{06}3{0D}{0A}{03}{11}{7F}{80}{FF}{00}");
    QTest::newRow("rows 10 and 15 use the index characters : and ?")
        << wire("/W:{1C}A{00}/W?{1D}B{00}/R:{00}/R?{00}/R9{00}")
        << wire("{06}:{06}?{1C}A{00}{1D}B{00}{FF}{00}");
    QTest::newRow("no-key scancode clears the row and its bytes")
        << wire("/W2{1C}A{00}/W2{FF}B{00}/R2{00}") << wire("{06}2{06}2{FF}{00}");
    QTest::newRow("scancode 00 is taken by position, not as the end")
        << wire("/W4{00}AB{00}/R4{00}") << wire("{06}4{00}AB{00}");
    QTest::newRow("a written 00 byte ends the frame and the rest is new input")
        << wire("/W0{1C}A{00}z{00}/R0{00}") << wire("{06}0{E8}{1C}A{00}");
    QTest::newRow("six bytes are stored") << wire("/W1{1C}ABCDEF{00}/R1{00}") << wire("{06}1{1C}ABCDEF{00}");
    QTest::newRow("seven bytes are dropped without a reply")
        << wire("/W1{1C}ABCDEFG{00}/R1{00}") << wire("{FF}{00}");
    QTest::newRow("several commands in one write")
        << wire("z/R0{00}V") << wire("{E8}{FF}{00}") + VersionReply;
    QTest::newRow("stray bytes and broken frames are skipped") << wire("xR/X/R@{00}z") << wire("{E8}");
    QTest::newRow("unterminated read gives way to the next command") << wire("/R0z") << wire("{E8}");
}

void tst_KorvexSim::exchanges()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);

    Session s({});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(request));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, reply, WaitMs);
}

void tst_KorvexSim::commandSplitOverWrites()
{
    // The program writes a row in four pieces; each piece has to be taken in
    // before the next is sent, or this would only test one read.
    Session s({QStringLiteral("--log")});
    QVERIFY(s.ok);
    const QList<QPair<QByteArray, QByteArray>> pieces = {
        {wire("/W3"), "so far /W3\n"},
        {wire("{1C}"), "so far /W3{1C}\n"},
        {wire("A{C7}"), "so far /W3{1C}A{C7}\n"},
    };
    for (const auto &[bytes, logLine] : pieces) {
        QVERIFY(s.client.send(bytes));
        QTRY_VERIFY_WITH_TIMEOUT(s.sim.log().contains(logLine), WaitMs);
    }
    QVERIFY(s.client.received.isEmpty());
    QVERIFY(s.client.send(wire("{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{06}3"), WaitMs);
    QVERIFY(s.client.send(wire("/R3{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{06}3{1C}A{C7}{00}"), WaitMs);
}

void tst_KorvexSim::faults_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("minMs");

    const QByteArray write0 = wire("/W0{1C}A{00}");
    const QByteArray writeRead0 = wire("/W0{1C}A{00}/R0{00}");

    QTest::newRow("probe-reply answers the probe with other bytes")
        << QStringList{QStringLiteral("--probe-reply"), QStringLiteral("41")} << wire("z") << wire("A") << 0;
    QTest::newRow("delay-ms z holds back the probe reply")
        << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("z=150")} << wire("z") << wire("{E8}")
        << 150;
    QTest::newRow("delay-ms R holds back read replies")
        << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("R=150")} << wire("/R0{00}")
        << wire("{FF}{00}") << 150;
    QTest::newRow("delay-ms W holds back acknowledgements")
        << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("W=150")} << write0 << wire("{06}0")
        << 150;
    QTest::newRow("delay-ms V holds back the version")
        << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("V=150")} << wire("V") << VersionReply
        << 150;
    QTest::newRow("delay-ms repeated for another class keeps the first")
        << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("V=150"),
                       QStringLiteral("--delay-ms=z=0")}
        << wire("V") << VersionReply << 150;
    QTest::newRow("late-row delays the read of that row by 300 ms")
        << QStringList{QStringLiteral("--late-row"), QStringLiteral("3")} << wire("/R3{00}")
        << wire("{FF}{00}") << 300;
    QTest::newRow("a late reply still comes before the next row's")
        << QStringList{QStringLiteral("--late-row"), QStringLiteral("3")}
        << wire("/W4{1C}A{00}/R3{00}/R4{00}") << wire("{06}4{FF}{00}{1C}A{00}") << 0;
    QTest::newRow("nak refuses writes and stores nothing")
        << QStringList{QStringLiteral("--nak")} << writeRead0 << wire("{15}0{FF}{00}") << 0;
    QTest::newRow("write-reply answers writes with its text and stores nothing")
        << QStringList{QStringLiteral("--write-reply"), QStringLiteral("NO")} << writeRead0
        << wire("NO{FF}{00}") << 0;
    QTest::newRow("write-reply understands escapes")
        << QStringList{QStringLiteral("--write-reply"), QStringLiteral("N\\x4F\\r")} << write0
        << wire("NO{0D}") << 0;
    QTest::newRow("ack-no-store acknowledges without storing")
        << QStringList{QStringLiteral("--ack-no-store")} << writeRead0 << wire("{06}0{FF}{00}") << 0;
    QTest::newRow("trailing bytes follow read replies only")
        << QStringList{QStringLiteral("--trailing"), QStringLiteral("0641")} << wire("/R0{00}z")
        << wire("{FF}{00}{06}A{E8}") << 0;
    QTest::newRow("version-text sets the version reply")
        << QStringList{QStringLiteral("--version-text"), QStringLiteral("X 1.0\\r\\n")} << wire("V")
        << wire("X 1.0{0D}{0A}") << 0;
}

void tst_KorvexSim::faults()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, minMs);

    Session s(args);
    QVERIFY(s.ok);
    QVERIFY(s.client.send(request));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, reply, WaitMs);
    QVERIFY2(s.client.firstByteMs() >= minMs, QByteArray::number(s.client.firstByteMs()).constData());
}

void tst_KorvexSim::splitRepliesComeByteByByte()
{
    Session s({QStringLiteral("--split-replies")});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("V")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, VersionReply, WaitMs);
    // At least 5 ms between bytes: the whole reply spreads over that much.
    const qint64 spread = s.client.lastByteMs() - s.client.firstByteMs();
    QVERIFY2(spread >= 5 * (VersionReply.size() - 1), QByteArray::number(spread).constData());
}

void tst_KorvexSim::silentNeverAnswers()
{
    Session s({QStringLiteral("--silent"), QStringLiteral("--log")});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("zV/R0{00}/W0{1C}A{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.sim.log().count("-- no reply\n"), qsizetype(4), WaitMs);
    // A reply would be written in the same turn that logged its command;
    // this only gives the bytes time to be read here.
    QTest::qWait(100);
    QCOMPARE(s.client.received, QByteArray());
}

void tst_KorvexSim::hangupAfterCommands()
{
    Session s({QStringLiteral("--hangup-after"), QStringLiteral("2")});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("z")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{E8}"), WaitMs);
    QVERIFY(s.client.send(wire("z")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{E8}{E8}"), WaitMs);
    QVERIFY(!s.client.hungUp);

    QVERIFY(s.client.send(wire("z")));
    QTRY_VERIFY_WITH_TIMEOUT(s.client.hungUp, WaitMs);
    QCOMPARE(s.client.received, wire("{E8}{E8}"));
    QVERIFY(s.sim.isRunning());
    QCOMPARE(s.sim.stop(SIGTERM), 0);
}

void tst_KorvexSim::floodIsBounded()
{
    constexpr qsizetype FloodBytes = 1 << 20;
    Session s({QStringLiteral("--flood")});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("/R0{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received.size(), FloodBytes, 30000);
    QVERIFY(!s.client.received.contains('\0'));
    // The flood ends where it should: the next reply follows right after it.
    QVERIFY(s.client.send(wire("z")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received.size(), FloodBytes + 1, WaitMs);
    QCOMPARE(s.client.received.back(), '\xE8');
}

void tst_KorvexSim::bytesSentWhileClosedAreLost()
{
    Session s({QStringLiteral("--delay-ms"), QStringLiteral("V=100"), QStringLiteral("--log")});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("V")));
    s.client.close();
    QTRY_VERIFY_WITH_TIMEOUT(s.sim.log().contains("-> lost, the host has the line closed"), WaitMs);

    QVERIFY(s.client.open(s.path));
    QVERIFY(s.client.send(wire("z")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{E8}"), WaitMs);
}

void tst_KorvexSim::serialPortOpensAgainAndAgain()
{
    // The program's own port class with its line settings, opened and closed
    // for every operation: the line has to survive each close.
    Sim sim({});
    const QString path = sim.waitForPath();
    QVERIFY(!path.isEmpty());
    QSerialPort port(path);
    for (int round = 0; round < 3; ++round) {
        port.setBaudRate(QSerialPort::Baud9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::TwoStop);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QCOMPARE(port.write(wire("z")), 1);
        QTRY_COMPARE_WITH_TIMEOUT(port.bytesAvailable(), qint64(1), WaitMs);
        QCOMPARE(port.readAll(), wire("{E8}"));
        port.close();
    }
}

void tst_KorvexSim::rowsSurviveRestart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("rows.txt"));
    const QStringList args = {QStringLiteral("--state"), state};
    {
        Session s(args);
        QVERIFY(s.ok);
        QVERIFY(s.client.send(wire("/W7{1C}A{C7}{00}/W?{1D}{00}/W0{1E}B{00}/W0{FF}{00}")));
        QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{06}7{06}?{06}0{06}0"), WaitMs);
        QCOMPARE(s.sim.stop(SIGTERM), 0);
    }
    // Every save went through a temporary that was renamed into place.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("rows.txt")});

    Session s(args);
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("/R7{00}/R?{00}/R0{00}/R1{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{1C}A{C7}{00}{1D}{00}{FF}{00}{FF}{00}"), WaitMs);
}

void tst_KorvexSim::stateFileIsRead()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("rows.txt"));
    QVERIFY(writeFile(state, QByteArrayLiteral("# written by hand\r\n3 1C 4142\r\n\n12 ff\n10 0d 0D0a\n")));

    Session s({QStringLiteral("--state"), state});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("/R3{00}/R<{00}/R:{00}/R0{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{1C}AB{00}{FF}{00}{0D}{0D}{0A}{00}{FF}{00}"), WaitMs);
}

void tst_KorvexSim::badStateFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("where");

    QTest::newRow("row index past 15") << QByteArrayLiteral("16 1C\n") << QByteArrayLiteral(":1:");
    QTest::newRow("odd number of hex digits") << QByteArrayLiteral("3 1C 414\n") << QByteArrayLiteral(":1:");
    QTest::newRow("more than six bytes")
        << QByteArrayLiteral("# rows\n3 1C 41424344454647\n") << QByteArrayLiteral(":2:");
    QTest::newRow("scancode of three digits") << QByteArrayLiteral("3 1C1 41\n") << QByteArrayLiteral(":1:");
    QTest::newRow("field too many") << QByteArrayLiteral("3 1C 41 42\n") << QByteArrayLiteral(":1:");
    QTest::newRow("row given twice") << QByteArrayLiteral("3 1C\n3 1D\n") << QByteArrayLiteral(":2:");
}

void tst_KorvexSim::badStateFileIsRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, where);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("rows.txt"));
    QVERIFY(writeFile(state, content));

    Sim sim({QStringLiteral("--state"), state});
    QVERIFY(sim.process().waitForFinished(WaitMs));
    QCOMPARE(sim.process().exitCode(), 1);
    QVERIFY(sim.process().readAllStandardOutput().isEmpty());
    QVERIFY2(sim.log().contains(QFile::encodeName(state) + where), sim.log().constData());
    QCOMPARE(readFile(state), content);
}

void tst_KorvexSim::logShowsCommandsAndReplies()
{
    Session s({QStringLiteral("--log")});
    QVERIFY(s.ok);
    QVERIFY(s.client.send(wire("qz/R0{00}")));
    QTRY_COMPARE_WITH_TIMEOUT(s.client.received, wire("{E8}{FF}{00}"), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(s.sim.log().contains("-> {FF}[NUL]\n"), WaitMs);
    const QByteArray log = s.sim.log();
    const QList<QByteArray> lines = {"<- ignored q\n", "<- z\n", "-> {E8}\n", "<- /R0[NUL]\n"};
    for (const QByteArray &line : lines)
        QVERIFY2(log.contains(line), log.constData());
}

void tst_KorvexSim::linkFollowsSimulator_data()
{
    QTest::addColumn<int>("stopSignal");
    QTest::newRow("SIGTERM ends cleanly") << int(SIGTERM);
    QTest::newRow("SIGINT ends cleanly") << int(SIGINT);
}

void tst_KorvexSim::linkFollowsSimulator()
{
    QFETCH(int, stopSignal);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("korvex"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/old-terminal"), link));

    Sim sim({QStringLiteral("--link"), link});
    const QString path = sim.waitForPath();
    QVERIFY(!path.isEmpty());
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);

    PtyClient viaLink;
    QVERIFY(viaLink.open(link));
    QVERIFY(viaLink.send(wire("z")));
    QTRY_COMPARE_WITH_TIMEOUT(viaLink.received, wire("{E8}"), WaitMs);

    QCOMPARE(sim.stop(stopSignal), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QDir(dir.path()).isEmpty());
}

void tst_KorvexSim::linkNeverReplacesFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeFile(link, QByteArrayLiteral("keep me")));

    Sim sim({QStringLiteral("--link"), link});
    QVERIFY(sim.process().waitForFinished(WaitMs));
    QCOMPARE(sim.process().exitCode(), 1);
    QVERIFY(sim.log().contains("will not replace"));
    QCOMPARE(readFile(link), QByteArrayLiteral("keep me"));
}

void tst_KorvexSim::badCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("named");

    QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast")} << QByteArrayLiteral("--fast");
    QTest::newRow("value missing at the end")
        << QStringList{QStringLiteral("--state")} << QByteArrayLiteral("--state");
    QTest::newRow("row past 15") << QStringList{QStringLiteral("--late-row"), QStringLiteral("16")}
                                 << QByteArrayLiteral("--late-row");
    QTest::newRow("unknown command class") << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("q=5")}
                                           << QByteArrayLiteral("--delay-ms");
    QTest::newRow("delay without milliseconds")
        << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("z")} << QByteArrayLiteral("--delay-ms");
    QTest::newRow("half a hex byte") << QStringList{QStringLiteral("--probe-reply"), QStringLiteral("E")}
                                     << QByteArrayLiteral("--probe-reply");
    QTest::newRow("not hex") << QStringList{QStringLiteral("--trailing"), QStringLiteral("zz")}
                             << QByteArrayLiteral("--trailing");
    QTest::newRow("hang up before any command")
        << QStringList{QStringLiteral("--hangup-after"), QStringLiteral("0")}
        << QByteArrayLiteral("--hangup-after");
    QTest::newRow("unknown escape") << QStringList{QStringLiteral("--write-reply"), QStringLiteral("\\q")}
                                    << QByteArrayLiteral("--write-reply");
    QTest::newRow("value on a flag") << QStringList{QStringLiteral("--silent=yes")}
                                     << QByteArrayLiteral("--silent=yes");
}

void tst_KorvexSim::badCommandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, named);

    Sim sim(args);
    QVERIFY(sim.process().waitForFinished(WaitMs));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 2);
    QVERIFY(sim.process().readAllStandardOutput().isEmpty());
    QVERIFY2(sim.log().contains(named), sim.log().constData());
}

QTEST_GUILESS_MAIN(tst_KorvexSim)
#include "tst_korvexsim.moc"
