#pragma once

#include <QByteArray>

#include <array>

struct KeySlot
{
    quint8 Scancode = 0;
    QByteArray KeyName;
};

// 64 catalogue keys in slots 0..63; slot 64 stays empty (scancode 0, no name)
// and still takes part in every search.
constexpr int KeyTableSlots = 65;
extern std::array<KeySlot, KeyTableSlots> KeyTable;

void BuildKeyTable();
