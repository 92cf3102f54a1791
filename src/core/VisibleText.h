#pragma once

#include <QString>

// Text for one line of the screen or a terminal: each control character (a
// device reply ending in CR LF, say, or an escape sequence) is shown in the
// program's byte notation, {0D}{0A}, instead of breaking the line or acting on
// the terminal, so nothing is pushed out of a label or doubles a list's rows.
// The C1 controls (0x80 to 0x9F) count too: some terminals act on them.
inline QString visibleText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            out += QStringLiteral("{%1}").arg(int(code), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += ch;
    }
    return out;
}
