// The simulated device, driven as the program drives it: a child process
// whose pseudo-terminal is opened like a serial port.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Generous for a loaded machine and a sanitizer build.
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
        if (!open())
            path.clear();
    }
    ~Sim()
    {
        stop(SIGTERM);
        close();
    }

    bool open()
    {
        const int flags = O_RDWR | O_NOCTTY | O_CLOEXEC;
        m_fd = path.isEmpty() ? -1 : ::open(QFile::encodeName(path).constData(), flags);
        return m_fd >= 0;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(std::exchange(m_fd, -1));
    }
    bool send(const QByteArray &bytes)
    {
        m_sent.start();
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }
    // What arrives until there are `size` bytes or nothing more comes for
    // WaitMs; lastByteMs is when the last of it came, counted from the send.
    QByteArray receive(qsizetype size)
    {
        QByteArray bytes;
        char buffer[4096];
        pollfd line{m_fd, POLLIN, 0};
        ssize_t n = 0;
        while (bytes.size() < size && ::poll(&line, 1, WaitMs) > 0 &&
               (n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, n);
            lastByteMs = m_sent.elapsed();
        }
        return bytes;
    }

    QByteArray log()
    {
        m_log += m_process.readAllStandardError();
        return m_log;
    }

    // Sends sig unless it already ended; the exit code, -1 for a crash or a
    // hang (the process is killed when the Sim goes).
    int stop(int sig)
    {
        if (m_process.state() == QProcess::Running) {
            ::kill(static_cast<pid_t>(m_process.processId()), sig);
            m_process.waitForFinished(WaitMs);
        }
        const bool ended = m_process.state() == QProcess::NotRunning;
        return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QString path;
    qint64 lastByteMs = 0;

private:
    QProcess m_process;
    QByteArray m_log;
    int m_fd = -1;
    QElapsedTimer m_sent;
};

} // namespace

class tst_KorvexSim : public QObject
{
    Q_OBJECT

private slots:
    void exchanges_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("request"); // bytes as %HH
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("minMs"); // at least this long from the send to the last byte
        const auto row = [](const char *name, const char *options, const char *request, const char *reply,
                            int minMs = 0) {
            QTest::newRow(name) << QString::fromLatin1(options).split(u' ', Qt::SkipEmptyParts)
                                << wire(request) << wire(reply) << minMs;
        };

        // CR, LF, ^C, XON, DEL and FF both ways: a line that is not raw would
        // translate, swallow, strip or echo some of them.
        row("control and 8-bit bytes cross the raw line; scancode 00 by position", "",
            "/W:%00%0D%0A%03%11%7F%FF%00/R:%00", "%06:%00%0D%0A%03%11%7F%FF%00");
        row("stray bytes, broken and over-long frames skipped", "", "xR/X/R@%00/W1%1DABCDEFG%00/R1%00/R0z",
            "%FF%00%E8");
        row("probe-reply answers the probe with other bytes", "--probe-reply 41", "z", "A");
        row("nak refuses writes with the index, stores nothing", "--nak", "/W0%1CA%00/R0%00", "%150%FF%00");
        row("trailing bytes follow read replies only", "--trailing 0641", "/R0%00z", "%FF%00%06A%E8");
        row("delay-ms z holds back the probe reply", "--delay-ms z=150", "z", "%E8", 150);
        row("delay-ms R holds back read replies", "--delay-ms R=150", "/R0%00", "%FF%00", 150);
        row("delay-ms W holds back acknowledgements", "--delay-ms W=150", "/W0%1CA%00", "%060", 150);
        row("delay-ms V, repeated for z, holds back V", "--delay-ms V=150 --delay-ms=z=0", "V", Version, 150);
        row("late-row reply is late and holds back the next", "--late-row 3", "/R3%00z", "%FF%00%E8", 300);
        // 5 ms between bytes spreads the version's 13 bytes over at least 60 ms.
        row("split-replies sends one byte at a time", "--split-replies", "V", Version, 60);
    }

    void exchanges()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(int, minMs);

        Sim s(options);
        QVERIFY(s.send(request));
        QCOMPARE(s.receive(reply.size()), reply);
        QVERIFY2(s.lastByteMs >= minMs, QByteArray::number(s.lastByteMs).constData());
        QCOMPARE(s.stop(SIGTERM), 0);
    }

    void repliesDueWhileClosedAreLost()
    {
        // As on a real port: the version comes due while the host has the line
        // closed, so the host that opens it again hears only its new command.
        Sim s({QStringLiteral("--delay-ms"), QStringLiteral("V=100")});
        QVERIFY(s.send(wire("V")));
        s.close();
        QTRY_VERIFY_WITH_TIMEOUT(s.log().contains("-> lost, the host has the line closed"), WaitMs);
        QVERIFY(s.open());
        QVERIFY(s.send(wire("z")));
        QCOMPARE(s.receive(1), wire("%E8"));
    }

    void stateAndLinkAcrossRestart()
    {
        QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("rows.txt"));
        const QString link = dir.filePath(QStringLiteral("korvex"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/old-terminal"), link));
        const QStringList options = {QStringLiteral("--state"), state, QStringLiteral("--link"), link};
        {
            Sim s(options);
            QCOMPARE(QFileInfo(link).symLinkTarget(), s.path); // a stale link is taken over
            // Row 7 in two pieces, the first taken in on its own; row 0
            // rewritten without a key, which drops its bytes.
            QVERIFY(s.send(wire("/W7%1C")));
            QTRY_VERIFY_WITH_TIMEOUT(s.log().contains("<- so far"), WaitMs);
            QVERIFY(s.send(wire("A%C7%00/W?%1D%00/W0%1EB%00/W0%FFC%00/R0%00")));
            QCOMPARE(s.receive(10), wire("%067%06?%060%060%FF%00"));
            QCOMPARE(s.stop(SIGINT), 0);
        }
        // The link went with the simulator, and every save went through a
        // temporary that was renamed into place.
        const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(dir.path()).entryList(all), QStringList{QStringLiteral("rows.txt")});

        Sim s(options);
        QVERIFY(s.send(wire("/R7%00/R?%00/R0%00/R1%00")));
        QCOMPARE(s.receive(10), wire("%1CA%C7%00%1D%00%FF%00%FF%00"));
    }

    void refusesToStart_data()
    {
        QTest::addColumn<QString>("options"); // FILE stands for a file in a fresh directory
        QTest::addColumn<QByteArray>("file"); // its content; none when null
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("named"); // in the error output, FILE replaced

        QTest::newRow("unknown option")
            << QStringLiteral("--fast") << QByteArray() << 2 << QByteArray("--fast");
        const QString state = QStringLiteral("--state FILE");
        QTest::newRow("state row index past 15")
            << state << QByteArray("16 1C\n") << 1 << QByteArray("FILE:1: not a row");
        QTest::newRow("state odd number of hex digits")
            << state << QByteArray("3 1C 414\n") << 1 << QByteArray("FILE:1: not a row");
        QTest::newRow("state more than six bytes")
            << state << QByteArray("# rows\n3 1C 41424344454647\n") << 1 << QByteArray("FILE:2: not a row");
        QTest::newRow("state row given twice")
            << state << QByteArray("3 1C\n3 1D\n") << 1 << QByteArray("FILE:2: row 3 appears twice");
        QTest::newRow("link never replaces a regular file")
            << QStringLiteral("--link FILE") << QByteArray("keep me") << 1
            << QByteArray("will not replace FILE");
    }

    void refusesToStart()
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
        QVERIFY2(s.log().contains(named.replace("FILE", QFile::encodeName(f.fileName()))),
                 s.log().constData());
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), file); // left as it was
    }
};

QTEST_GUILESS_MAIN(tst_KorvexSim)
#include "tst_korvexsim.moc"
