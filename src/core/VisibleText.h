#pragma once

#include "core/PrintableBytes.h"

#include <QString>

// Text for one line of the screen or the terminal: each control character (a
// device reply ending in CR LF, say) is shown in the program's byte notation,
// {0D}{0A}, instead of breaking the line, so nothing is pushed out of a label,
// doubles a list's rows, or starts a line of its own.
inline QString visibleText(const QString &text, Controls controls = Controls::C0)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (isControl(code, controls))
            out += QStringLiteral("{%1}").arg(int(code), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += ch;
    }
    return out;
}
