// korvex-sim: a simulated KORVEX on a pseudo-terminal, for trying and testing
// KORVEXConfig without the hardware. See --help.

#include "PtyServer.h"
#include "RowStore.h"
#include "SimDevice.h"
#include "SimOptions.h"

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

int fail(const std::string &message, int code = 1)
{
    std::fprintf(stderr, "korvex-sim: %s\n", message.c_str());
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    const SimOptionsResult parsed = parseSimOptions(argc, argv);
    if (!parsed.error.empty())
        return fail(parsed.error + " (see --help)", 2);
    const SimOptions &options = parsed.options;
    if (options.help) {
        std::fputs(simHelpText(), stdout);
        return 0;
    }

    // The stop signals stay blocked except inside the loop's wait, so a stop
    // can never arrive between the loop's check and its sleep.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, s);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    struct sigaction action
    {
    };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    RowStore rows;
    if (!options.statePath.empty() && !rows.load(options.statePath, error))
        return fail(error);

    SimDevice device(options, rows);
    device.report = [](const std::string &message) { fail(message); };

    PtyServer server(options, device);
    if (!server.open(error))
        return fail(error);
    std::printf("%s\n", server.slavePath().c_str());
    std::fflush(stdout);

    if (!server.run(stopRequested, waitMask, error))
        return fail(error);
    return 0;
}
