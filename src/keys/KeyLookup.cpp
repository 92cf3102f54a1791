#include "keys/KeyLookup.h"

#include "keys/KeyTable.h"

namespace VK {
enum : int {
    Back = 8,
    Tab = 9,
    Return = 13,
    Shift = 16,
    Pause = 19,
    Escape = 27,
    Space = 32,
    Prior = 33,
    Next = 34,
    End = 35,
    Home = 36,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Insert = 45,
    Delete = 46,
    F1 = 112,
    F12 = 123,
    Oem1 = 186,
    OemPlus = 187,
    OemComma = 188,
    OemMinus = 189,
    OemPeriod = 190,
    Oem2 = 191,
    Oem3 = 192,
    Oem4 = 219,
    Oem5 = 220,
    Oem6 = 221,
    Oem7 = 222,
};
}

qint16 KeyNameToScancode(const QByteArray &name)
{
    for (const KeySlot &slot : KeyTable) {
        if (name == slot.KeyName)
            return slot.Scancode;
    }
    return 0;
}

QByteArray ScancodeToKeyName(qint16 scancode)
{
    for (const KeySlot &slot : KeyTable) {
        if (slot.Scancode == scancode)
            return QByteArray(slot.KeyName);
    }
    return {};
}

QByteArray KeyCodeToKeyName(int virtualKey)
{
    QByteArray name;
    if (virtualKey >= 33 && virtualKey <= 126)
        name = QByteArray(1, static_cast<char>(virtualKey));

    switch (virtualKey) {
    case VK::Oem4:
        return "[";
    case VK::Oem6:
        return "]";
    case VK::Oem1:
        return ";";
    case VK::Oem7:
        return "'";
    case VK::OemComma:
        return ",";
    case VK::Oem2:
        return "/";
    case VK::Oem5:
        return "\\";
    case VK::OemMinus:
        return "-";
    case VK::OemPlus:
        return "=";
    case VK::OemPeriod:
        return ".";
    case VK::Return:
        return "ENTER";
    case VK::Back:
        return "BKSPC";
    case VK::Tab:
        return "TAB";
    case VK::Space:
        return " ";
    case VK::Oem3:
        return "`";
    case VK::Escape:
        return "ESC";
    case VK::Shift:
    case VK::Pause:
    case VK::Insert:
    case VK::Home:
    case VK::Prior:
    case VK::Next:
    case VK::Delete:
    case VK::End:
    case VK::Up:
    case VK::Left:
    case VK::Down:
    case VK::Right:
        return {};
    default:
        break;
    }
    if (virtualKey >= VK::F1 && virtualKey <= VK::F12)
        return 'F' + QByteArray::number(virtualKey - VK::F1 + 1);
    return name;
}
