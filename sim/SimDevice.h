#pragma once

#include "CommandParser.h"
#include "RowStore.h"
#include "SimOptions.h"

#include <functional>
#include <optional>
#include <string>

// The device's firmware: what it does with each command and what it answers,
// including the faults it was told to imitate. It does no I/O of its own.
class SimDevice
{
public:
    struct Reply
    {
        std::string bytes;
        int delayMs = 0;
    };

    static constexpr std::size_t FloodBytes = 1u << 20;
    static constexpr int LateRowMs = 300;

    SimDevice(const SimOptions &options, RowStore &rows);

    // Carries out the command; returns the reply to send, none when the
    // device stays quiet. Problems that are not the host's business (a state
    // file that cannot be written) go to report.
    std::optional<Reply> handle(const Command &command);

    std::function<void(const std::string &)> report;

private:
    std::optional<Reply> write(const Command &command);
    Reply read(const Command &command) const;

    const SimOptions &m_options;
    RowStore &m_rows;
};
