#pragma once

#include <QString>

// Text for one line of the screen: each control character (a device reply
// ending in CR LF, say) is shown in the program's byte notation, {0D}{0A},
// instead of breaking the line, so nothing is pushed out of a label or
// doubles a list's rows.
inline QString visibleText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (code < 0x20 || code == 0x7F)
            out += QStringLiteral("{%1}").arg(int(code), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += ch;
    }
    return out;
}
