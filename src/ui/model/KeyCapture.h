#pragma once

#include <QString>

class KeyRows;

// What a key event tells about the physical key. The widget fills it from a
// QKeyEvent; nothing here needs QtGui.
struct KeyEventData
{
    enum class Source {
        WindowsVirtualKey, // nativeVirtualKey is a Windows virtual-key code
        XkbKeycode,        // nativeScanCode is an X11/Wayland keycode (evdev code + 8)
        QtKeyOnly,         // synthetic events: only qtKey and the keypad flag
    };
    Source source = Source::QtKeyOnly;
    quint32 nativeScanCode = 0;
    quint32 nativeVirtualKey = 0;
    int qtKey = 0;
    bool keypad = false;
};

// The Windows virtual-key code of the physical key that went down, 0 when it
// is unknown. Follows the key, not its character: Shift+1 is the 1 key.
int virtualKeyFromEvent(const KeyEventData &event);

// A key went down in row index's key field: the field shows its name (empty
// for a key the device does not know). The field does no editing of its own.
// charCode is the character the key produced, 0 for none: a key that
// produces one marks the row as not confirmed, and a Tab is shown as "TAB".
void captureKey(KeyRows &rows, int index, int virtualKey, int charCode);

// The character code of a key press as the key field sees it, or 0 when the
// key produces no character (arrows, F-keys, Delete, modifiers).
int keyPressCharCode(const QString &eventText);
