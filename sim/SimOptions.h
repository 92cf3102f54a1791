#pragma once

#include <optional>
#include <string>

// What the simulated device was asked to be on its command line: where it
// keeps its rows, and which faults of a real line or firmware it imitates.
struct SimOptions
{
    // Milliseconds by which the reply to each command class is held back.
    struct Delays
    {
        int probe = 0;   // "z"
        int read = 0;    // "/R"
        int write = 0;   // "/W"
        int version = 0; // "V"
    };

    // The line the device runs at; a host at another baud rate or parity
    // sends it noise.
    struct Line
    {
        int baud = 9600;
        char parity = 'N'; // N, E or O
    };

    std::string linkPath;
    Line line;
    std::string statePath;
    std::string versionText = "KORVEX 2.14\r\n";
    std::string probeReply = std::string(1, '\xE8');
    bool silent = false;
    Delays delays;
    int lateRow = -1;                      // row index 0..15 whose read reply comes 300 ms late, -1 none
    int longRow = -1;                      // row index 0..15 whose read reply is too long, -1 none
    bool nak = false;                      // writes refused with NAK and the index character
    std::optional<std::string> writeReply; // set: writes refused with exactly this reply
    bool ackNoStore = false;
    std::string trailing;
    int hangupAfter = 0; // commands before the line goes dead, 0 never
    bool flood = false;
    bool splitReplies = false;
    bool pace = false; // bytes take the time the line's baud rate gives them
    bool log = false;
    bool help = false;
};

struct SimOptionsResult
{
    SimOptions options;
    std::string error; // empty when the command line was understood
};

SimOptionsResult parseSimOptions(int argc, const char *const *argv);

const char *simHelpText();
