#pragma once

#include <QByteArray>

// Searches over KeyTable, first slot to last (the empty spare slot included).

// The scancode of the slot whose name equals name exactly (case matters), or 0
// when no slot holds it. No catalogue key has scancode 0, but the spare slot
// does, so the empty name also gives 0.
qint16 KeyNameToScancode(const QByteArray &name);

// The name of the slot holding scancode, or empty text.
QByteArray ScancodeToKeyName(qint16 scancode);

// The key name shown for a Windows virtual-key code, possibly empty. Physical
// keys, not characters: the letter keys give upper-case letters whatever the
// Shift or Caps Lock state. The space bar and the back-quote key give their
// catalogue names (" " and "`"), so a captured key can always be sent.
QByteArray KeyCodeToKeyName(int virtualKey);
