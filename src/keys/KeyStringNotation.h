#pragma once

#include <QByteArray>
#include <QString>

// The output-string notation: plain characters stand for their own byte, and
// "{", up to two upper-case hex digits, "}" stands for one byte ({} is 0x00).
// At most six units.

constexpr int MaxOutputUnits = 6;
constexpr int MaxKeyStringChars = 24; // six groups of four characters

// The outcome of scanning a notation text, positions 1-based as the messages
// and the cut-back use them.
struct KeyStringScan
{
    enum class Outcome { Ok, GroupError, TooLong };
    Outcome outcome = Outcome::Ok;
    int units = 0; // units counted by a complete scan
    bool endsInOpenGroup = false;
    int groupStart = 0;  // position of the "{" of the bad group
    int cutPosition = 0; // position of the last character of the sixth unit
};

KeyStringScan ScanKeyString(const QByteArray &text);

// What the check tells the operator about a text that scanned as refused, in
// row index: the bad group and what follows it, or that the text is too long.
// Empty for a text that is fine.
QString notationMessage(const QByteArray &text, const KeyStringScan &scan, int index);

// What the check keeps of a text after a scan: up to the "{" of a bad group,
// the first six units of a text too long, or all of a text that is fine.
QByteArray KeptOfKeyString(const QByteArray &text, const KeyStringScan &scan);
// The text the check settles on once it has cut back as often as it must.
QByteArray CheckedKeyString(const QByteArray &text);

// The bytes a checked text stands for; a group still open at the end adds
// nothing.
QByteArray EncodeKeyString(const QByteArray &text);

// One byte as a group: {HH}, upper-case hex.
QByteArray HexGroup(quint8 byte);
// Bytes written as notation text: 33..126 as themselves (braces included),
// every other byte as {HH}.
QByteArray BytesAsNotation(const QByteArray &bytes);
// Device bytes as BytesAsNotation writes them; a 0x00 ends the text.
QByteArray RenderReceivedBytes(const QByteArray &bytes);
