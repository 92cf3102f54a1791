// korvex-bench-device: runs the attachment check, read, send and verify
// against korvex-sim through the real port stack and prints, for each, the
// wall time against the protocol floor (the sum of the waits the operation
// itself asks for) and the CPU time the program used meanwhile.

#include "SimProcess.h"

#include "core/KorvexError.h"
#include "core/Waiter.h"
#include "device/DeviceSession.h"
#include "device/QtSerialLink.h"
#include "keys/KeyTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

// Sums the waits it is asked for: the floor no implementation can beat.
class FloorWaiter : public Waiter
{
public:
    void Delay(int ms) override
    {
        m_floorMs += ms;
        m_real.Delay(ms);
    }
    void pumpEvents() override { m_real.pumpEvents(); }
    int waitUntil(int ms, const std::function<bool()> &ready) override { return m_real.waitUntil(ms, ready); }
    void abort() override { m_real.abort(); }
    qint64 takeFloorMs() { return std::exchange(m_floorMs, 0); }

private:
    EventLoopWaiter m_real;
    qint64 m_floorMs = 0;
};

// Counts what would have drawn the operator's attention in the window.
class CountingObserver : public SessionObserver
{
public:
    void failed(Stage, const KorvexError &error) override
    {
        ++messages;
        std::fprintf(stderr, "  failed: %s\n", qPrintable(error.description()));
    }
    void rowVerified(int index, const RowOutcome &outcome) override
    {
        if (outcome.kind != RowOutcome::Kind::Match) {
            ++messages;
            std::fprintf(stderr, "  row %d not verified\n", index + 1);
        }
    }
    void deviceAbsent() override { ++beeps; }
    int messages = 0;
    int beeps = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    SimProcess sim({});
    if (!sim.started()) {
        std::fprintf(stderr, "korvex-sim did not start\n");
        return 1;
    }

    CountingObserver prompter;
    FloorWaiter waiter;
    QtSerialLink port{SettingsFile(sim.iniPath())};
    DeviceSession ops(port, waiter, prompter);
    ops.SetupCommPort({1, QStringLiteral("9600"), QStringLiteral("N"), 0});
    KeyOverrides rows;
    for (int i = 0; i < RowCount; ++i)
        rows[std::size_t(i)] = {KeyTable.at(std::size_t(i)).KeyName, "{0D}x" + QByteArray::number(i), {}};
    const RowLookup screen = [&rows](int i) { return rows[std::size_t(i)]; };

    struct Bench
    {
        const char *name;
        std::function<void()> run;
    };
    const Bench benches[] = {
        {"attach check",
         [&] {
             ops.CheckAttached();
             port.close();
         }},
        {"send", [&] { ops.sendRows(screen); }},
        {"verify", [&] { ops.verifyRows(screen); }},
        {"read", [&] { ops.readRows(); }},
    };

    std::printf("%-13s %6s %10s %10s %8s %9s %8s\n", "operation", "rounds", "floor ms", "wall ms", "over %",
                "cpu s", "cpu %");
    for (const Bench &bench : benches) {
        qint64 floorMs = 0;
        qint64 wallNs = 0;
        double cpu = 0;
        for (int r = 0; r < rounds; ++r) {
            waiter.takeFloorMs();
            const double cpuBefore = cpuSeconds();
            QElapsedTimer wall;
            wall.start();
            bench.run();
            wallNs += wall.nsecsElapsed();
            cpu += cpuSeconds() - cpuBefore;
            floorMs += waiter.takeFloorMs();
        }
        const double wallMs = double(wallNs) / 1e6 / rounds;
        const double floor = double(floorMs) / rounds;
        std::printf("%-13s %6d %10.1f %10.1f %8.2f %9.4f %8.3f\n", bench.name, rounds, floor, wallMs,
                    100.0 * (wallMs - floor) / floor, cpu / rounds, 100.0 * cpu / (double(wallNs) / 1e9));
    }
    if (prompter.messages || prompter.beeps) {
        std::fprintf(stderr, "the device did not answer as expected (%d messages, %d beeps)\n",
                     prompter.messages, prompter.beeps);
        return 1;
    }
    return 0;
}
