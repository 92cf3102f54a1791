#include "Console.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

// What the console was before, to give it back.
struct Console::SystemState
{
    unsigned savedCodePage = 0;
    DWORD savedModes[2] = {};
    bool modeChanged[2] = {};
};

namespace {
const DWORD StandardHandles[2] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
}

Console::Console() : m_system(std::make_unique<SystemState>())
{
    // Bytes out as they are, as on Linux: a .cfg read to standard output keeps
    // its CR LF instead of getting CR CR LF, and text lines end in LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Into a file or a pipe the bytes stay UTF-8; a console shows them in its
    // code page unless told otherwise.
    if (GetConsoleWindow()) {
        m_system->savedCodePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
    // The console acts on escapes (the progress line's erase, the verdicts'
    // colours) only when asked to, from Windows 10 on; where it cannot, they
    // would show as text, so standard error is then no terminal to us.
    for (int i = 0; i < 2; ++i) {
        const HANDLE handle = GetStdHandle(StandardHandles[i]);
        DWORD mode = 0;
        if (GetConsoleMode(handle, &mode)) {
            m_system->savedModes[i] = mode;
            m_system->modeChanged[i] =
                SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        }
    }
    m_terminal = m_system->modeChanged[1];
}

Console::~Console()
{
    // The console is the shell's too: leave it as it was found.
    for (int i = 0; i < 2; ++i) {
        if (m_system->modeChanged[i])
            SetConsoleMode(GetStdHandle(StandardHandles[i]), m_system->savedModes[i]);
    }
    if (m_system->savedCodePage)
        SetConsoleOutputCP(m_system->savedCodePage);
}

bool isTerminal(std::FILE *stream)
{
    return _isatty(_fileno(stream)) != 0;
}
