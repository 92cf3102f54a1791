#include "device/DeviceFrames.h"

#include "core/PrintableBytes.h"
#include "keys/KeyStringNotation.h"

char rowIndexChar(int index)
{
    return static_cast<char>('0' + index);
}

QByteArray readCommand(int index)
{
    QByteArray command = QByteArrayLiteral("/R");
    command.append(rowIndexChar(index));
    command.append('\0');
    return command;
}

QByteArray writeLogText(int index, quint8 scancode, const QByteArray &bytes)
{
    return "/W" + QByteArray(1, rowIndexChar(index)) + scancodeGroup(scancode) + bytes + "[NUL]";
}

QByteArray showNul(const QByteArray &bytes)
{
    QByteArray text = bytes;
    return text.replace('\0', QByteArrayLiteral("[NUL]"));
}

QByteArray scancodeGroup(quint8 scancode)
{
    return '{' + QByteArray::number(scancode, 16).toUpper() + '}';
}

QByteArray scancodeLogText(quint8 scancode)
{
    if (scancodeShownAsItself(scancode))
        return QByteArray(1, static_cast<char>(scancode));
    return scancodeGroup(scancode);
}

QByteArray responseLogText(const QByteArray &reply)
{
    if (reply.isEmpty())
        return {};
    QByteArray text = scancodeLogText(static_cast<quint8>(reply.at(0)));
    for (qsizetype i = 1; i < reply.size(); ++i) {
        const char ch = reply.at(i);
        if (ch == '\x06')
            text.append("[ACK]");
        else if (ch == '\0')
            text.append("[NUL]");
        else
            text.append(ch);
    }
    return text;
}

QByteArray replyStringBytes(const QByteArray &reply)
{
    const QByteArray part = reply.mid(1);
    const qsizetype end = part.indexOf('\0');
    return end < 0 ? part : part.left(end);
}

QByteArray receivedByteUnit(quint8 byte)
{
    // A bare "{" in a row opens a group: the bytes after it would be misread
    // as hex digits and a later send would write different bytes.
    if (byteShownAsItself(byte) && byte != '{')
        return QByteArray(1, static_cast<char>(byte));
    return HexGroup(byte);
}

QByteArray frameBytes(const QByteArray &notation)
{
    const QByteArray bytes = EncodeKeyString(notation);
    const qsizetype end = bytes.indexOf('\0');
    return end < 0 ? bytes : bytes.left(end);
}

QByteArray storedBytes(const QByteArray &notation)
{
    QByteArray bytes = EncodeKeyString(notation);
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return bytes;
}
