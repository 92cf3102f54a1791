#pragma once

#include <QByteArray>

#include <array>
#include <bitset>

constexpr int RowCount = 16;

// One of the sixteen key overrides as text: the key's name, the output string
// in the brace notation and a free-text description. 8-bit text, the bytes a
// .cfg file and the device use; Latin-1 only where a widget shows it.
struct KeyOverride
{
    QByteArray key;
    QByteArray string;
    QByteArray description;

    friend bool operator==(const KeyOverride &a, const KeyOverride &b)
    {
        return a.key == b.key && a.string == b.string && a.description == b.description;
    }
};

using KeyOverrides = std::array<KeyOverride, RowCount>;

// Which of the sixteen rows an operation works on; bit i is row index i.
using RowSet = std::bitset<RowCount>;
inline const RowSet AllRows = RowSet().set();
