#include "Console.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {
DWORD savedErrorMode = 0;
}

ConsoleText::ConsoleText()
{
    // Bytes out as they are, as on Linux: a .cfg file read to standard output
    // keeps its CR LF instead of getting CR CR LF, and text lines end in LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Without a console (output to a file or a pipe) the bytes are UTF-8 as
    // they are; a console shows them in its code page unless told otherwise.
    if (GetConsoleWindow()) {
        m_savedCodePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
    // The console understands the erase-to-end escape only when asked to
    // (Windows 10 and later); elsewhere it would show as ←[K and the
    // progress line is left out.
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (GetConsoleMode(error, &savedErrorMode))
        m_progressLine = SetConsoleMode(error, savedErrorMode | ENABLE_PROCESSED_OUTPUT |
                                                   ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

ConsoleText::~ConsoleText()
{
    // The console is the shell's too: leave it as it was found.
    if (m_progressLine)
        SetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), savedErrorMode);
    if (m_savedCodePage)
        SetConsoleOutputCP(m_savedCodePage);
}
