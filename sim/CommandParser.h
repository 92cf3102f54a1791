#pragma once

#include <optional>
#include <string>

// One complete command as the device understood it.
struct Command
{
    enum Kind { Probe, Version, Read, Write };

    Kind kind = Probe;
    int index = 0;              // row index 0..15 (Read, Write)
    unsigned char scancode = 0; // Write
    std::string bytes;          // Write: the output bytes, at most six
    bool tooLong = false;       // Write: more than six bytes came before the 00
    std::string raw;            // every byte of the command, for the log
};

// The device's receiver: a byte-stream state machine, because the program
// writes one write command in four pieces and the line may just as well
// deliver several commands in one read.
class CommandParser
{
public:
    static constexpr std::size_t MaxStringBytes = 6;

    // Takes the next received byte; returns the command it completes.
    std::optional<Command> feed(unsigned char byte);

    // The bytes that belonged to no command since the last call, for the log.
    std::string takeIgnored();

    // The bytes of the command received so far but not yet complete.
    const std::string &pending() const { return m_command.raw; }

private:
    enum State { Idle, Slash, ReadIndex, ReadEnd, WriteIndex, WriteScancode, WriteBytes };

    std::optional<Command> finish(Command::Kind kind);

    State m_state = Idle;
    Command m_command;
    std::string m_ignored;
};
