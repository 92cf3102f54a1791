#include "Console.h"

#include <cstdio>

#include <unistd.h>

struct Console::SystemState
{
};

Console::Console() : m_terminal(isTerminal(stderr) && qgetenv("TERM") != "dumb") {}

Console::~Console() = default;

bool isTerminal(std::FILE *stream)
{
    return ::isatty(fileno(stream)) == 1;
}
