#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <cstdio>
#include <memory>

// Standard error as people read it: messages, and on a terminal a progress
// line that a message never lands on.
//
// Its text is UTF-8 everywhere; a Windows console is told so for as long as
// the program runs (and given back its own code page and modes after), so that
// a path with accents shows as typed and the progress line's escapes work.
class Console
{
public:
    Console();
    ~Console();
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // Standard error is a terminal that takes escape sequences: a progress
    // line is drawn there. Not on a dumb terminal.
    bool terminal() const { return m_terminal; }
    // No progress line at all (-q).
    void setQuiet(bool quiet) { m_quiet = quiet; }
    // "korvexctl: text", on a line of its own: a line end in the text (a
    // file's name, a device's reply) is shown, not obeyed.
    void say(const QString &text);
    // Replaces the progress line; only on a terminal.
    void progress(const QString &line);
    void endProgress();
    // Text as it is, after ending the progress line. Safe from any thread.
    void write(const QByteArray &text);

private:
    QMutex m_mutex;
    bool m_terminal = false;
    bool m_progressShown = false;
    bool m_quiet = false;
    // What this system's console needs kept while the program runs.
    struct SystemState;
    std::unique_ptr<SystemState> m_system;
};

// Text for one line: every control character (C0 with the line end, DEL and
// C1) in the program's byte notation, so that text from a file or a device (a
// link's name, a version reply) cannot move the cursor, retitle or clear the
// terminal, nor forge a line of its own.
QString oneLine(const QString &text);
// Text of several lines for a terminal: each line as oneLine() makes it.
QByteArray terminalText(const QString &text);

// Whether the stream is a terminal (a console) rather than a file or a pipe.
bool isTerminal(std::FILE *stream);

// FAILED and FAIL in red, PASS in green, where they are read on a colour
// terminal: never into a pipe or a file, nor when NO_COLOR is set or the
// terminal is dumb.
QByteArray markVerdicts(const QByteArray &text, std::FILE *stream);

// Writes bytes to standard output, whole; false with *why when the system
// refused some (a full disk, a closed output, a reader gone).
bool writeStandardOutput(const QByteArray &bytes, QString *why);
