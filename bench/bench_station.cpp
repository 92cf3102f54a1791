// korvex-bench-station: korvexctl station against simulators that pace their
// line at 9600 baud, as a cable does. Prints, for units plugged in one at a
// time, the time from a unit's link appearing to the first byte on its wire
// and from that byte to the unit's line, against the wire floor; then the
// time sixteen units plugged in at once take against one.
//
// The wire floor of one unit is the time its bytes need on the line, both
// ways, one after another: three probes ("z", and 0xE8 back), the version
// query ("V" and the reply), and for each row its write frame, the
// acknowledgement, its read-back command and reply, and the verify's
// read-back command and reply; 11 bits a byte.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Baud = 9600;
constexpr int StringBytes = 3;   // each row's output string: {0D}, x and one digit
constexpr int VersionReply = 13; // "KORVEX 2.14\r\n"

double wireFloorMs()
{
    const int perRow = (3 + 1 + StringBytes + 1) + 2 + 4 + (1 + StringBytes + 1) // write, ack, read-back
                       + 4 + (1 + StringBytes + 1);                              // the verify's read-back
    const int bytes = 3 * 2 + (1 + VersionReply) + 16 * perRow;
    return bytes * 11 * 1000.0 / Baud;
}

// A simulator on its own terminal, logging what it hears; firstByteMs() is
// when the first command reached it, by the bench's clock.
struct Sim
{
    explicit Sim(const QElapsedTimer &benchClock) : clock(benchClock)
    {
        process.start(QStringLiteral(KORVEX_SIM_PATH), {QStringLiteral("--pace"), QStringLiteral("--log")});
        process.waitForReadyRead(10000);
        path = QString::fromLocal8Bit(process.readLine()).trimmed();
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] {
            const QByteArray log = process.readAllStandardError();
            if (heardAt < 0 && log.contains("<- "))
                heardAt = clock.elapsed();
        });
    }
    ~Sim()
    {
        process.terminate();
        process.waitForFinished(10000);
    }
    const QElapsedTimer &clock;
    QProcess process;
    QString path;
    qint64 heardAt = -1;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QElapsedTimer clock;
    clock.start();
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("rows.cfg"));
    {
        QFile file(cfg);
        file.open(QIODevice::WriteOnly);
        const char *keys[] = {"F1", "F2",  "F3",  "F4",  "F5",  "F6",  "F7",    "F8",
                              "F9", "F10", "F11", "F12", "ESC", "TAB", "ENTER", "A"};
        for (int n = 0; n < 16; ++n)
            file.write(QByteArray::number(n + 1).rightJustified(2, '0') + '\t' + keys[n] + "\t{0D}x" +
                       QByteArray::number(n % 10) + "\r\n");
    }
    std::vector<std::unique_ptr<Sim>> sims;
    for (int n = 0; n < 16; ++n)
        sims.push_back(std::make_unique<Sim>(clock));

    // The station: every line a unit ends with, by the bench's clock.
    const QString watch = dir.filePath(QStringLiteral("by-id"));
    QDir().mkpath(watch);
    QProcess station;
    std::vector<qint64> endedAt;
    QObject::connect(&station, &QProcess::readyReadStandardOutput, [&] {
        const QByteArray out = station.readAllStandardOutput();
        for (int i = 0; i < out.count('\n'); ++i)
            endedAt.push_back(clock.elapsed());
        if (out.contains("FAIL"))
            std::fprintf(stderr, "a unit failed: %s", out.constData());
    });
    station.start(QStringLiteral(KORVEXCTL_PATH),
                  {QStringLiteral("station"), cfg, QStringLiteral("--watch"), watch, QStringLiteral("-q")});
    station.waitForStarted(10000);
    const auto until = [&](const std::function<bool()> &done) {
        QElapsedTimer limit;
        limit.start();
        while (!done() && limit.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return done();
    };
    until([&] { return station.state() == QProcess::Running; });
    QThread::msleep(300); // its first scan, of an empty folder

    // One unit at a time: the same unit plugged in again each round.
    std::vector<double> toFirstByte, perUnit, oneUnit;
    for (int r = 0; r < rounds; ++r) {
        Sim &sim = *sims[0];
        sim.heardAt = -1;
        const std::size_t before = endedAt.size();
        const QString link = QDir(watch).filePath(QStringLiteral("unit"));
        QFile::remove(link);
        const qint64 pluggedAt = clock.elapsed();
        QFile::link(sim.path, link);
        if (!until([&] { return endedAt.size() > before; })) {
            std::fprintf(stderr, "the unit never ended\n");
            return 1;
        }
        toFirstByte.push_back(double(sim.heardAt - pluggedAt));
        perUnit.push_back(double(endedAt.back() - sim.heardAt));
        oneUnit.push_back(double(endedAt.back() - pluggedAt));
        QFile::remove(link);
    }

    // Sixteen units at once.
    std::vector<double> sixteen;
    for (int r = 0; r < rounds; ++r) {
        const std::size_t before = endedAt.size();
        const qint64 pluggedAt = clock.elapsed();
        for (int n = 0; n < 16; ++n)
            QFile::link(sims[std::size_t(n)]->path,
                        QDir(watch).filePath(QStringLiteral("u%1-%2").arg(r).arg(n)));
        if (!until([&] { return endedAt.size() >= before + 16; })) {
            std::fprintf(stderr, "not every unit ended\n");
            return 1;
        }
        sixteen.push_back(double(endedAt.back() - pluggedAt));
        for (int n = 0; n < 16; ++n)
            QFile::remove(QDir(watch).filePath(QStringLiteral("u%1-%2").arg(r).arg(n)));
    }
    station.terminate();
    station.waitForFinished(10000);

    const double floor = wireFloorMs();
    std::printf("%-52s %9s %9s %7s %7s\n", "measure (medians)", "ms", "against", "ratio", "target");
    std::printf("%-52s %9.0f %9s %7s %7s\n", "link appears -> first byte on its wire", median(toFirstByte),
                "", "", "<=500");
    std::printf("%-52s %9.0f %9.0f %7.2f %7s\n", "one unit: first byte -> its line, reply timing",
                median(perUnit), floor, median(perUnit) / floor, "<=1.5");
    std::printf("%-52s %9.0f %9.0f %7.2f %7s\n", "16 units plugged at once -> last line", median(sixteen),
                median(oneUnit), median(sixteen) / median(oneUnit), "<=1.2");
    std::printf("(one unit from its link to its line: %.0f ms; the settle before the first byte is 200 ms)\n",
                median(oneUnit));
    return 0;
}
