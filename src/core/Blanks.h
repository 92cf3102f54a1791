#pragma once

#include <QByteArray>
#include <QByteArrayView>

// text without the given blank characters at either end. The settings file
// and numbers count spaces and TABs as blanks; a .cfg line only spaces, since
// a TAB there separates fields.
inline QByteArray trimBlanks(const QByteArray &text, QByteArrayView blanks = " \t")
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blanks.contains(text.at(begin)))
        ++begin;
    while (end > begin && blanks.contains(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}
