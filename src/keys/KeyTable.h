#pragma once

#include <QtGlobal>

#include <array>

// The keys the device knows: PS/2 scancode set 2 make codes (none of these
// keys is E0-prefixed) and the names shown for them. Names and scancodes are
// each unique. The last slot is a spare: scancode 0 and no name, and it takes
// part in every search.
struct KeySlot
{
    quint8 Scancode;
    const char *KeyName;
};

inline constexpr std::array<KeySlot, 65> KeyTable = {{
    {0x0E, "`"},   {0x16, "1"},  {0x1E, "2"},  {0x26, "3"},  {0x25, "4"},     {0x2E, "5"},   {0x36, "6"},
    {0x3D, "7"},   {0x3E, "8"},  {0x46, "9"},  {0x45, "0"},  {0x4E, "-"},     {0x55, "="},   {0x66, "BKSPC"},
    {0x0D, "TAB"}, {0x15, "Q"},  {0x1D, "W"},  {0x24, "E"},  {0x2D, "R"},     {0x2C, "T"},   {0x35, "Y"},
    {0x3C, "U"},   {0x43, "I"},  {0x44, "O"},  {0x4D, "P"},  {0x54, "["},     {0x5B, "]"},   {0x5D, "\\"},
    {0x1C, "A"},   {0x1B, "S"},  {0x23, "D"},  {0x2B, "F"},  {0x34, "G"},     {0x33, "H"},   {0x3B, "J"},
    {0x42, "K"},   {0x4B, "L"},  {0x4C, ";"},  {0x52, "'"},  {0x5A, "ENTER"}, {0x1A, "Z"},   {0x22, "X"},
    {0x21, "C"},   {0x2A, "V"},  {0x32, "B"},  {0x31, "N"},  {0x3A, "M"},     {0x41, ","},   {0x49, "."},
    {0x4A, "/"},   {0x29, " "},  {0x05, "F1"}, {0x06, "F2"}, {0x04, "F3"},    {0x0C, "F4"},  {0x03, "F5"},
    {0x0B, "F6"},  {0x83, "F7"}, {0x0A, "F8"}, {0x01, "F9"}, {0x09, "F10"},   {0x78, "F11"}, {0x07, "F12"},
    {0x76, "ESC"}, {0x00, ""},
}};
