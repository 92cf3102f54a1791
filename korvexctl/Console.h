#pragma once

// The terminal korvexctl writes to. Its output is the bytes it writes and its
// text is UTF-8, everywhere; a Windows console is told so for as long as the
// program runs (and given back its own code page after), so that a path or a
// string with accents shows as typed.
class ConsoleText
{
public:
    ConsoleText();
    ~ConsoleText();
    ConsoleText(const ConsoleText &) = delete;
    ConsoleText &operator=(const ConsoleText &) = delete;

    // Whether standard error is a terminal that can show a progress line,
    // redrawn in place with a carriage return and an erase-to-end escape.
    bool showsProgressLine() const { return m_progressLine; }

private:
    unsigned m_savedCodePage = 0;
    bool m_progressLine = false;
};
