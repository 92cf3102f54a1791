#pragma once

#include <QByteArray>

// The four comma-separated fields of a port's line settings, "9600,N,8,2".
struct LineSettings
{
    int baud = 9600;
    char parity = 'N'; // N, E, O, M or S, upper case
    int dataBits = 8;
    int stopBits = 2; // 1 or 2; 15 stands for one and a half

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.baud == b.baud && a.parity == b.parity && a.dataBits == b.dataBits &&
               a.stopBits == b.stopBits;
    }
};

// Throws KorvexError naming the field that is wrong.
LineSettings parseLineSettings(const QByteArray &text);
