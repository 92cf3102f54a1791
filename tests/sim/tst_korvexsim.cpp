// The simulated device, driven as the program drives it: a child process
// whose pseudo-terminal is opened like a serial port.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Generous for a flood of 1 MiB through a sanitizer build.
constexpr int WaitMs = 10000;
const char *const Version = "KORVEX 2.14%0D%0A";

// Wire bytes written as text with %HH for any byte, e.g. "/R3%00".
QByteArray wire(const char *text)
{
    return QByteArray::fromPercentEncoding(text);
}

// The simulator as a child process, logging. Its terminal is opened here with
// plain POSIX calls and left in whatever mode the simulator put it: a line
// that is not raw shows up as translated, swallowed or echoed bytes. path is
// empty when the simulator refused to start.
class Sim
{
public:
    explicit Sim(QStringList args)
    {
        m_process.start(QString::fromUtf8(KORVEX_SIM_PATH), args << QStringLiteral("--log"));
        while (!m_process.canReadLine() && m_process.waitForReadyRead(WaitMs)) {
        }
        path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        const int flags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
        m_fd = path.isEmpty() ? -1 : ::open(QFile::encodeName(path).constData(), flags);
        if (m_fd < 0) {
            path.clear();
            return;
        }
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { drain(); });
        m_clock.start();
    }
    ~Sim()
    {
        stop(SIGTERM);
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool send(const QByteArray &bytes)
    {
        sentAt = m_clock.elapsed();
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }

    QByteArray log()
    {
        m_log += m_process.readAllStandardError();
        return m_log;
    }

    // Sends sig unless it already ended; the exit code, -1 for a crash or a hang.
    int stop(int sig)
    {
        if (m_process.state() == QProcess::Running)
            ::kill(static_cast<pid_t>(m_process.processId()), sig);
        if (!m_process.waitForFinished(WaitMs) && m_process.state() == QProcess::Running) {
            m_process.kill();
            m_process.waitForFinished(WaitMs);
            return -1;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QString path;
    QByteArray received;
    bool hungUp = false;
    qint64 sentAt = 0; // milliseconds of the last send and the last byte received
    qint64 lastByteAt = 0;

private:
    void drain()
    {
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            lastByteAt = m_clock.elapsed();
            received.append(buffer, n);
        }
        // End of file or EIO: the simulator hung up.
        hungUp = n == 0 || errno == EIO;
        m_notifier->setEnabled(!hungUp);
    }

    QProcess m_process;
    QByteArray m_log;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QElapsedTimer m_clock;
};

} // namespace

class tst_KorvexSim : public QObject
{
    Q_OBJECT

private slots:
    void exchanges_data();
    void exchanges();
    void stateAndLinkAcrossRestart();
    void refusesToStart_data();
    void refusesToStart();
};

void tst_KorvexSim::exchanges_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("request"); // bytes as %HH, written in pieces split at '|'
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("minMs");      // at least this long from the last send to the last byte
    QTest::addColumn<int>("unanswered"); // commands the simulator logs as left without reply
    QTest::addColumn<int>("floodBytes"); // bytes without a 00 ahead of the reply
    QTest::addColumn<bool>("hangsUp");   // the line goes dead at the next byte sent
    const auto row = [](const char *name, const char *options, const char *request, const char *reply,
                        int minMs = 0, int unanswered = 0, int floodBytes = 0, bool hangsUp = false) {
        QTest::newRow(name) << QString::fromLatin1(options).split(u' ', Qt::SkipEmptyParts) << wire(request)
                            << wire(reply) << minMs << unanswered << floodBytes << hangsUp;
    };

    row("probe is answered with E8", "", "z", "%E8");
    row("version query", "", "V", Version);
    row("row never written reads as no key", "", "/R5%00", "%FF%00");
    row("write to row 15 (index ?) is acknowledged, reads back", "", "/W?%1CAB%00/R?%00", "%06?%1CAB%00");
    // CR, LF, ^C, XON, DEL and 8-bit bytes both ways: a line that is not raw
    // would translate, swallow or echo some of them.
    row("control and 8-bit bytes cross the raw line", "", "/W:%0D%0A%03%11%7F%80%FF%00/R:%00",
        "%06:%0D%0A%03%11%7F%80%FF%00");
    row("command written in pieces is put together", "", "/W3|%1C|A%C7|%00/R3%00", "%063%1CA%C7%00");
    row("no-key scancode clears the row", "", "/W2%1CA%00/W2%FFB%00/R2%00", "%062%062%FF%00");
    row("scancode 00 is taken by position", "", "/W4%00AB%00/R4%00", "%064%00AB%00");
    row("a written 00 byte ends the frame", "", "/W0%1CA%00z%00/R0%00", "%060%E8%1CA%00");
    row("six bytes stored, seven dropped unanswered", "", "/W1%1CABCDEF%00/W1%1DABCDEFG%00/R1%00",
        "%061%1CABCDEF%00", 0, 1);
    row("stray bytes, broken and unterminated frames skipped", "", "xR/X/R@%00/R0z", "%E8");

    row("probe-reply answers the probe with other bytes", "--probe-reply 41", "z", "A");
    row("silent answers nothing", "--silent", "zV/R0%00/W0%1CA%00", "", 0, 4);
    row("delay-ms z holds back the probe reply", "--delay-ms z=150", "z", "%E8", 150);
    row("delay-ms R holds back read replies", "--delay-ms R=150", "/R0%00", "%FF%00", 150);
    row("delay-ms W holds back acknowledgements", "--delay-ms W=150", "/W0%1CA%00", "%060", 150);
    row("delay-ms V, repeated for z, holds back V", "--delay-ms V=150 --delay-ms=z=0", "V", Version, 150);
    row("late-row reply is late, holds back the next", "--late-row 3", "/R3%00z", "%FF%00%E8", 300);
    row("nak refuses writes, stores nothing", "--nak", "/W0%1CA%00/R0%00", "%150%FF%00");
    row("write-reply answers writes with its text, stores nothing", "--write-reply N\\x4F\\r",
        "/W0%1CA%00/R0%00", "NO%0D%FF%00");
    row("ack-no-store acknowledges, stores nothing", "--ack-no-store", "/W0%1CA%00/R0%00", "%060%FF%00");
    row("trailing bytes follow read replies only", "--trailing 0641", "/R0%00z", "%FF%00%06A%E8");
    row("hangup-after answers N, then drops the line", "--hangup-after 2", "zz", "%E8%E8", 0, 0, 0, true);
    row("flood is 1 MiB without 00, then the next reply", "--flood", "/R0%00z", "%E8", 0, 0, 1 << 20);
    // 5 ms between bytes spreads the version's 13 bytes over at least 60 ms.
    row("split-replies sends one byte at a time", "--split-replies", "V", Version, 60);
}

void tst_KorvexSim::exchanges()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, minMs);
    QFETCH(int, unanswered);
    QFETCH(int, floodBytes);
    QFETCH(bool, hangsUp);

    Sim s(options);
    const QByteArrayList pieces = request.split('|');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QVERIFY(s.send(pieces.at(i)));
        // Each piece taken in on its own before the next one is written.
        if (i + 1 < pieces.size())
            QTRY_COMPARE_WITH_TIMEOUT(s.log().count("<- so far"), i + 1, WaitMs);
    }
    QTRY_COMPARE_WITH_TIMEOUT(s.received.size(), floodBytes + reply.size(), WaitMs);
    QCOMPARE(s.received.mid(floodBytes), reply);
    QVERIFY(!s.received.left(floodBytes).contains('\0'));
    QVERIFY2(s.lastByteAt - s.sentAt >= minMs, QByteArray::number(s.lastByteAt - s.sentAt).constData());
    QTRY_COMPARE_WITH_TIMEOUT(s.log().count("-- no reply"), unanswered, WaitMs);
    if (hangsUp) {
        QVERIFY(s.send(wire("z")));
        QTRY_VERIFY_WITH_TIMEOUT(s.hungUp, WaitMs);
        QCOMPARE(s.received, reply);
    }
    QCOMPARE(s.stop(SIGTERM), 0);
}

void tst_KorvexSim::stateAndLinkAcrossRestart()
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("rows.txt"));
    const QString link = dir.filePath(QStringLiteral("korvex"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/old-terminal"), link));
    const QStringList options = {QStringLiteral("--state"), state, QStringLiteral("--link"), link};
    {
        Sim s(options);
        QCOMPARE(QFileInfo(link).symLinkTarget(), s.path); // a stale link is taken over
        QVERIFY(s.send(wire("/W7%1CA%C7%00/W?%1D%00/W0%1EB%00/W0%FF%00")));
        QTRY_COMPARE_WITH_TIMEOUT(s.received, wire("%067%06?%060%060"), WaitMs);
        QCOMPARE(s.stop(SIGINT), 0);
    }
    // The link went with the simulator, and every save went through a
    // temporary that was renamed into place.
    const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    QCOMPARE(QDir(dir.path()).entryList(all), QStringList{QStringLiteral("rows.txt")});

    Sim s(options);
    QVERIFY(s.send(wire("/R7%00/R?%00/R0%00/R1%00")));
    QTRY_COMPARE_WITH_TIMEOUT(s.received, wire("%1CA%C7%00%1D%00%FF%00%FF%00"), WaitMs);
}

void tst_KorvexSim::refusesToStart_data()
{
    QTest::addColumn<QString>("options"); // FILE stands for a file in a fresh directory
    QTest::addColumn<QByteArray>("file"); // its content; none when null
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("named"); // in the error output, FILE replaced

    QTest::newRow("unknown option") << QStringLiteral("--fast") << QByteArray() << 2 << QByteArray("--fast");
    const QString state = QStringLiteral("--state FILE");
    QTest::newRow("state row index past 15") << state << QByteArray("16 1C\n") << 1 << QByteArray("FILE:1:");
    QTest::newRow("state odd number of hex digits")
        << state << QByteArray("3 1C 414\n") << 1 << QByteArray("FILE:1:");
    QTest::newRow("state more than six bytes")
        << state << QByteArray("# rows\n3 1C 41424344454647\n") << 1 << QByteArray("FILE:2:");
    QTest::newRow("state row given twice")
        << state << QByteArray("3 1C\n3 1D\n") << 1 << QByteArray("FILE:2:");
    QTest::newRow("link never replaces a regular file")
        << QStringLiteral("--link FILE") << QByteArray("keep me") << 1 << QByteArray("will not replace FILE");
}

void tst_KorvexSim::refusesToStart()
{
    QFETCH(QString, options);
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, named);

    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("rows.txt")));
    QVERIFY(file.isNull() || (f.open(QIODevice::WriteOnly) && f.write(file) == file.size()));
    f.close();

    Sim s(options.replace(QStringLiteral("FILE"), f.fileName()).split(u' '));
    QVERIFY(s.path.isEmpty()); // no terminal offered
    QCOMPARE(s.stop(SIGTERM), exitCode);
    QVERIFY2(s.log().contains(named.replace("FILE", QFile::encodeName(f.fileName()))), s.log().constData());
    QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), file); // left as it was
}

QTEST_GUILESS_MAIN(tst_KorvexSim)
#include "tst_korvexsim.moc"
