#include "ui/model/KeyCapture.h"

#include "keys/KeyLookup.h"
#include "ui/model/KeyRows.h"

#include <Qt>

#include <array>

namespace {

// Linux input event codes (linux/input-event-codes.h) to Windows virtual-key
// codes, for a US layout. The numeric keypad is taken with Num Lock on.
int virtualKeyFromEvdev(quint32 code)
{
    static const std::array<int, 128> table = [] {
        std::array<int, 128> t{};
        const char *row1 = "1234567890"; // KEY_1 (2) .. KEY_0 (11)
        for (int i = 0; i < 10; ++i)
            t[2 + i] = row1[i];
        const char *rowQ = "QWERTYUIOP"; // KEY_Q (16) .. KEY_P (25)
        for (int i = 0; i < 10; ++i)
            t[16 + i] = rowQ[i];
        const char *rowA = "ASDFGHJKL"; // KEY_A (30) .. KEY_L (38)
        for (int i = 0; i < 9; ++i)
            t[30 + i] = rowA[i];
        const char *rowZ = "ZXCVBNM"; // KEY_Z (44) .. KEY_M (50)
        for (int i = 0; i < 7; ++i)
            t[44 + i] = rowZ[i];
        for (int i = 0; i < 10; ++i) // KEY_F1 (59) .. KEY_F10 (68)
            t[59 + i] = 112 + i;
        const std::pair<int, int> rest[] = {
            {1, 27},   {12, 189}, {13, 187}, {14, 8},   {15, 9},   {26, 219}, {27, 221}, {28, 13},  {29, 17},
            {39, 186}, {40, 222}, {41, 192}, {42, 16},  {43, 220}, {51, 188}, {52, 190}, {53, 191}, {54, 16},
            {55, 106}, {56, 18},  {57, 32},  {58, 20},  {69, 144}, {70, 145}, {71, 103}, {72, 104}, {73, 105},
            {74, 109}, {75, 100}, {76, 101}, {77, 102}, {78, 107}, {79, 97},  {80, 98},  {81, 99},  {82, 96},
            {83, 110}, {86, 226}, {87, 122}, {88, 123}, {96, 13},  {97, 17},  {98, 111}, {99, 44},  {100, 18},
            {102, 36}, {103, 38}, {104, 33}, {105, 37}, {106, 39}, {107, 35}, {108, 40}, {109, 34}, {110, 45},
            {111, 46}, {119, 19}, {125, 91}, {126, 92}, {127, 93},
        };
        for (const auto &[evdev, vk] : rest)
            t[static_cast<std::size_t>(evdev)] = vk;
        return t;
    }();
    return code < table.size() ? table[code] : 0;
}

// Synthetic events carry only the Qt key, which for shifted symbols names the
// character; map it back to the key that types it on a US layout.
int virtualKeyFromQtKey(int key, bool keypad)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? 96 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);

    switch (key) {
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return keypad ? 106 : '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Minus:
        return keypad ? 109 : 189;
    case Qt::Key_Underscore:
        return 189;
    case Qt::Key_Plus:
        return keypad ? 107 : 187;
    case Qt::Key_Equal:
        return 187;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 186;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 222;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Period:
        return keypad ? 110 : 190;
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Slash:
        return keypad ? 111 : 191;
    case Qt::Key_Question:
        return 191;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 192;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Clear:
        return 12;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Print:
        return 44;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Meta:
        return 91;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    default:
        return 0;
    }
}

} // namespace

int virtualKeyFromEvent(const KeyEventData &event)
{
    switch (event.source) {
    case KeyEventData::Source::WindowsVirtualKey:
        if (event.nativeVirtualKey != 0)
            return static_cast<int>(event.nativeVirtualKey);
        break;
    case KeyEventData::Source::XkbKeycode:
        // A keypad key is one key for two meanings, and only the Qt key knows
        // the Num Lock state: keypad Delete must not come out as keypad point.
        if (event.keypad)
            break;
        if (event.nativeScanCode >= 8) {
            if (const int vk = virtualKeyFromEvdev(event.nativeScanCode - 8))
                return vk;
        }
        break;
    case KeyEventData::Source::QtKeyOnly:
        break;
    }
    return virtualKeyFromQtKey(event.qtKey, event.keypad);
}

void captureKey(KeyRows &rows, int index, int virtualKey, int charCode)
{
    rows.setKeyName(index, KeyCodeToKeyName(virtualKey));
    if (charCode == 0)
        return;
    if (charCode == 9)
        rows.setKeyName(index, QByteArrayLiteral("TAB"));
    rows.setIcon(index, RowIcon::QuestionMark);
}

int keyPressCharCode(const QString &eventText)
{
    if (eventText.isEmpty())
        return 0;
    const int code = eventText.at(0).unicode();
    // X11 reports Delete with the DEL character; it types nothing.
    return code == 127 ? 0 : code;
}
