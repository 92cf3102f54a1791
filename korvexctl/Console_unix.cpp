#include "Console.h"

#include <unistd.h>

ConsoleText::ConsoleText() : m_progressLine(::isatty(STDERR_FILENO) == 1) {}

ConsoleText::~ConsoleText() = default;
