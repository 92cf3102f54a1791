#include "core/KeyTable.h"

std::array<KeySlot, KeyTableSlots> KeyTable;

void BuildKeyTable()
{
    // PS/2 scancode set 2 make codes; none of these keys is E0-prefixed.
    static const struct
    {
        const char *name;
        quint8 code;
    } catalogue[] = {
        {"`", 0x0E},     {"1", 0x16},   {"2", 0x1E},   {"3", 0x26},   {"4", 0x25},  {"5", 0x2E},
        {"6", 0x36},     {"7", 0x3D},   {"8", 0x3E},   {"9", 0x46},   {"0", 0x45},  {"-", 0x4E},
        {"=", 0x55},     {"BKSPC", 0x66}, {"TAB", 0x0D}, {"Q", 0x15},   {"W", 0x1D},  {"E", 0x24},
        {"R", 0x2D},     {"T", 0x2C},   {"Y", 0x35},   {"U", 0x3C},   {"I", 0x43},  {"O", 0x44},
        {"P", 0x4D},     {"[", 0x54},   {"]", 0x5B},   {"\\", 0x5D},  {"A", 0x1C},  {"S", 0x1B},
        {"D", 0x23},     {"F", 0x2B},   {"G", 0x34},   {"H", 0x33},   {"J", 0x3B},  {"K", 0x42},
        {"L", 0x4B},     {";", 0x4C},   {"'", 0x52},   {"ENTER", 0x5A}, {"Z", 0x1A}, {"X", 0x22},
        {"C", 0x21},     {"V", 0x2A},   {"B", 0x32},   {"N", 0x31},   {"M", 0x3A},  {",", 0x41},
        {".", 0x49},     {"/", 0x4A},   {" ", 0x29},   {"F1", 0x05},  {"F2", 0x06}, {"F3", 0x04},
        {"F4", 0x0C},    {"F5", 0x03},  {"F6", 0x0B},  {"F7", 0x83},  {"F8", 0x0A}, {"F9", 0x01},
        {"F10", 0x09},   {"F11", 0x78}, {"F12", 0x07}, {"ESC", 0x76},
    };
    static_assert(std::size(catalogue) == KeyTableSlots - 1);

    for (std::size_t slot = 0; slot < std::size(catalogue); ++slot) {
        KeyTable[slot].Scancode = catalogue[slot].code;
        KeyTable[slot].KeyName = QByteArray(catalogue[slot].name);
    }
    KeyTable[KeyTableSlots - 1] = KeySlot{};
}
