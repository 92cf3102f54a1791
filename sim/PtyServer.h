#pragma once

#include "ByteText.h"
#include "CommandParser.h"
#include "SimDevice.h"
#include "SimOptions.h"

#include <chrono>
#include <csignal>
#include <deque>
#include <string>

// The line between the simulated device and the host: a pseudo-terminal
// whose slave side the program opens as its serial port. Runs the poll loop
// that feeds received bytes to the device and sends its replies on time.
class PtyServer
{
public:
    PtyServer(const SimOptions &options, SimDevice &device);
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    // Creates the terminal (and the link). False with a message on failure.
    bool open(std::string &error);
    const std::string &slavePath() const { return m_slavePath; }

    // Serves until stopRequested is set by a signal handler. Waits with the
    // signal mask waitMask, so that a signal blocked outside the wait is
    // delivered only there and cannot slip in between check and wait. False
    // with a message on a failure of the line itself.
    bool run(const volatile std::sig_atomic_t &stopRequested, const sigset_t &waitMask, std::string &error);

private:
    using Clock = std::chrono::steady_clock;

    struct Pending
    {
        Clock::time_point due;
        std::string bytes;
        std::size_t sent = 0;
        ByteText::Scancode scancode = ByteText::Scancode::None; // a read reply's, for the log
    };

    bool receive(std::string &error);
    bool hostOnOurLine();
    Clock::duration byteTime() const;
    bool transmit(std::string &error);
    void watchOpens();
    void hangUp();
    void log(const std::string &line) const;

    const SimOptions &m_options;
    SimDevice &m_device;
    CommandParser m_parser;
    std::deque<Pending> m_out;
    int m_master = -1;
    int m_slave = -1;
    int m_inotify = -1;
    std::string m_slavePath;
    bool m_linkMade = false;
    int m_hostOpens = 0; // descriptors the host has open on the slave
    int m_commands = 0;
    bool m_hangupPending = false;
    Clock::time_point m_inboundFree; // paced: when the line is free of the host's bytes
};
