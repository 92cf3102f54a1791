#include "core/LeftPad.h"

QString LeftPad(const QString &s, int ilen, const QString &padstring)
{
    if (padstring.isEmpty())
        return s;
    QString result = s;
    while (result.size() < ilen)
        result.prepend(padstring);
    return result;
}
