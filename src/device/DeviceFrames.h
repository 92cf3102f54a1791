#pragma once

#include <QByteArray>

// What goes over the line and how it is written in the status log.

// The character that names row index on the line: "0".."9", then ":" to "?".
char rowIndexChar(int index);

// "/R", the index character, 0x00.
QByteArray readCommand(int index);

// The log line of a write: "/W", the index character, the scancode always as
// its group, the string bytes as sent, "[NUL]": /W0{1C}AB[NUL].
QByteArray writeLogText(int index, quint8 scancode, const QByteArray &bytes);

// The status-log text of a command: 0x00 written as "[NUL]".
QByteArray showNul(const QByteArray &bytes);

// A scancode in braces, in upper-case hex without leading zeros: {D} for
// TAB's 0x0D, {0} for a key without a name, {1C}. Operators compare these
// lines with the device's documented examples, so a scancode is never padded
// as the other bytes of the log are ({0D}).
QByteArray scancodeGroup(quint8 scancode);

// A scancode in a reply: the character itself when printable (33..125),
// otherwise its group as above.
QByteArray scancodeLogText(quint8 scancode);

// A read reply for the log: scancode as above, then the remaining bytes as
// received, 0x06 as "[ACK]" and 0x00 as "[NUL]".
QByteArray responseLogText(const QByteArray &reply);

// The string part of a reply (after the scancode) up to its first 0x00.
QByteArray replyStringBytes(const QByteArray &reply);

// The bytes a write command carries for an output string: up to its first
// 0x00, since the device ends the command there; anything after it would be
// taken as new commands and could overwrite another row.
QByteArray frameBytes(const QByteArray &notation);
// What the device holds once the string was sent: its bytes without the
// 0x00s at its end (a 0x00 ends the command, so a trailing one is nothing to
// hold). A string with bytes after an inner 0x00 can never be held whole, and
// never matches.
QByteArray storedBytes(const QByteArray &notation);

// One received byte as a unit of a row's output string: 33..126 as itself,
// except "{" which would open a group, everything else as {HH}.
QByteArray receivedByteUnit(quint8 byte);
