#pragma once

#include <QString>

// Text for one line of the screen: each control character (a device reply
// ending in CR LF, say) is drawn as its visible symbol instead of breaking
// the line, so nothing is pushed out of a label or doubles a list's rows.
inline QString visibleText(const QString &text)
{
    QString out = text;
    for (QChar &ch : out) {
        const char16_t code = ch.unicode();
        if (code < 0x20)
            ch = QChar(char16_t(0x2400 + code)); // the Control Pictures block
        else if (code == 0x7F)
            ch = QChar(char16_t(0x2421));
    }
    return out;
}
