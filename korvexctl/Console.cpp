#include "Console.h"

#include "core/VisibleText.h"

#include <QRegularExpression>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

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
    if (!isTerminal(stream) || !noColour.isEmpty() || qgetenv("TERM") == "dumb")
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
