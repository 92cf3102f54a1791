#include "Console.h"

#include "core/VisibleText.h"

#include <QRegularExpression>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
namespace {
const DWORD StandardHandles[2] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
}

Console::Console()
{
    // Bytes out as they are, as on Linux: a .cfg read to standard output keeps
    // its CR LF instead of getting CR CR LF, and text lines end in LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Into a file or a pipe the bytes stay UTF-8; a console shows them in its
    // code page unless told otherwise.
    if (GetConsoleWindow()) {
        m_savedCodePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
    // The console acts on escapes (the progress line's erase, the verdicts'
    // colours) only when asked to, from Windows 10 on; where it cannot, they
    // would show as text, so standard error is then no terminal to us.
    for (int i = 0; i < 2; ++i) {
        const HANDLE handle = GetStdHandle(StandardHandles[i]);
        DWORD mode = 0;
        if (GetConsoleMode(handle, &mode)) {
            m_savedModes[i] = mode;
            m_modeChanged[i] =
                SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        }
    }
    m_terminal = m_modeChanged[1];
}

Console::~Console()
{
    // The console is the shell's too: leave it as it was found.
    for (int i = 0; i < 2; ++i) {
        if (m_modeChanged[i])
            SetConsoleMode(GetStdHandle(StandardHandles[i]), m_savedModes[i]);
    }
    if (m_savedCodePage)
        SetConsoleOutputCP(m_savedCodePage);
}
#else
Console::Console() : m_terminal(::isatty(fileno(stderr)) == 1 && qgetenv("TERM") != "dumb") {}

Console::~Console() = default;
#endif

void Console::say(const QString &text)
{
    write(oneLine(QStringLiteral("korvexctl: ") + text).toUtf8() + '\n');
}

void Console::progress(const QString &line)
{
    const QMutexLocker lock(&m_mutex);
    if (!m_terminal || m_quiet)
        return;
    std::fprintf(stderr, "\r%s\033[K", terminalText(line).constData());
    std::fflush(stderr);
    m_progressShown = true;
}

void Console::endProgress()
{
    const QMutexLocker lock(&m_mutex);
    if (!m_progressShown)
        return;
    std::fputs("\r\033[K", stderr);
    m_progressShown = false;
}

void Console::write(const QByteArray &text)
{
    endProgress();
    const QMutexLocker lock(&m_mutex);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    std::fflush(stderr);
}

QString oneLine(const QString &text)
{
    return visibleText(text, Controls::C0AndC1);
}

QByteArray terminalText(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = oneLine(line);
    return lines.join(QLatin1Char('\n')).toUtf8();
}

QByteArray markVerdicts(const QByteArray &text, std::FILE *stream)
{
    const QByteArray noColour = qgetenv("NO_COLOR");
    if (::isatty(fileno(stream)) != 1 || !noColour.isEmpty() || qgetenv("TERM") == "dumb")
        return text;
    // Whole words only: a name or a version may hold the letters too.
    static const QRegularExpression verdict(QStringLiteral("\\b(FAILED|FAIL|PASS)\\b"));
    const QString plain = QString::fromUtf8(text);
    QString marked;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = verdict.globalMatch(plain); it.hasNext();) {
        const QRegularExpressionMatch word = it.next();
        const bool pass = word.captured(1) == QLatin1String("PASS");
        marked += plain.mid(at, word.capturedStart() - at) +
                  (pass ? QStringLiteral("\033[1;32m") : QStringLiteral("\033[1;31m")) + word.captured(1) +
                  QStringLiteral("\033[0m");
        at = word.capturedEnd();
    }
    return (marked + plain.mid(at)).toUtf8();
}

bool writeStandardOutput(const QByteArray &bytes, QString *why)
{
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) == std::size_t(bytes.size()) &&
        std::fflush(stdout) == 0;
    if (!written && why)
        *why = QStringLiteral("cannot write standard output: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
    return written;
}
