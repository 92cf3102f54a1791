#include "keys/KeyStringNotation.h"

#include "core/PrintableBytes.h"

namespace {

bool isUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

KeyStringScan ScanKeyString(const QByteArray &text)
{
    KeyStringScan scan;
    bool inGroup = false;
    int digits = 0;
    for (int i = 1; i <= text.size(); ++i) {
        const char ch = text.at(i - 1);
        if (!inGroup) {
            if (ch == '{') {
                inGroup = true;
                scan.groupStart = i;
                digits = 0;
                continue;
            }
        } else if (ch != '}') {
            ++digits;
            if (digits > 2 || !isUpperHexDigit(ch)) {
                scan.outcome = KeyStringScan::Outcome::GroupError;
                scan.endsInOpenGroup = true;
                return scan;
            }
            continue;
        } else {
            inGroup = false;
        }
        // A plain character or a closing brace completes one unit.
        if (++scan.units == MaxOutputUnits)
            scan.cutPosition = i;
    }
    scan.endsInOpenGroup = inGroup;
    if (scan.units > MaxOutputUnits)
        scan.outcome = KeyStringScan::Outcome::TooLong;
    return scan;
}

QByteArray EncodeKeyString(const QByteArray &text)
{
    QByteArray bytes;
    QByteArray digits;
    bool inGroup = false;
    for (const char ch : text) {
        if (!inGroup) {
            if (ch == '{') {
                inGroup = true;
                digits.clear();
            } else {
                bytes.append(ch);
            }
        } else if (ch == '}') {
            inGroup = false;
            bool ok = false;
            const int value = digits.toInt(&ok, 16);
            bytes.append(static_cast<char>(ok ? value : 0));
        } else {
            digits.append(ch);
        }
    }
    return bytes;
}

QString notationMessage(const QByteArray &text, const KeyStringScan &scan, int index)
{
    switch (scan.outcome) {
    case KeyStringScan::Outcome::GroupError:
        return QString::fromLatin1(text.mid(scan.groupStart - 1)) +
               QStringLiteral(" only 2 HEX chars allowed within brackets (like {C7})");
    case KeyStringScan::Outcome::TooLong:
        return QStringLiteral("String entered for item # ") + QString::number(index + 1) +
               QStringLiteral(" is too long .. max string length is 6 chars");
    case KeyStringScan::Outcome::Ok:
        break;
    }
    return {};
}

QByteArray KeptOfKeyString(const QByteArray &text, const KeyStringScan &scan)
{
    switch (scan.outcome) {
    case KeyStringScan::Outcome::GroupError:
        return text.left(scan.groupStart);
    case KeyStringScan::Outcome::TooLong:
        return text.left(scan.cutPosition);
    case KeyStringScan::Outcome::Ok:
        break;
    }
    return text;
}

QByteArray CheckedKeyString(const QByteArray &text)
{
    QByteArray kept = text;
    for (KeyStringScan scan = ScanKeyString(kept); scan.outcome != KeyStringScan::Outcome::Ok;
         scan = ScanKeyString(kept))
        kept = KeptOfKeyString(kept, scan);
    return kept;
}

QByteArray HexGroup(quint8 byte)
{
    return '{' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0') + '}';
}

QByteArray BytesAsNotation(const QByteArray &bytes)
{
    QByteArray text;
    for (const char ch : bytes) {
        const auto b = static_cast<quint8>(ch);
        text += byteShownAsItself(b) ? QByteArray(1, ch) : HexGroup(b);
    }
    return text;
}

QByteArray RenderReceivedBytes(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return BytesAsNotation(end < 0 ? bytes : bytes.first(end));
}
