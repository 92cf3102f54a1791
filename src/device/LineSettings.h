#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A port's line settings. The program always uses 8 data bits and 2 stop bits.
struct LineSettings
{
    int baud = 9600;
    char parity = 'N'; // N, E, O, M or S
    int dataBits = 8;
    int stopBits = 2;

    // "9600,N,8,2", for messages.
    QByteArray text() const;

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.baud == b.baud && a.parity == b.parity && a.dataBits == b.dataBits &&
               a.stopBits == b.stopBits;
    }
};

// A baud rate as written: decimal digits only (no sign, no blanks), above 0.
std::optional<int> parseBaud(const QString &text);

// The line settings for a stored baud text and parity letter (either case).
// Throws KorvexError naming what is wrong.
LineSettings lineSettingsFor(const QString &baud, const QString &parity);
