#pragma once

#include <QString>

// The settings record shared by the whole program. Port and EnableStrings are
// 16-bit because Korvex.ini values outside that range are rejected at start-up.
struct AppSettingsRecord
{
    QString CurrentFile;
    qint16 Port = 0;
    QString Baud;
    QString Parity;
    qint16 EnableStrings = 0;
};

extern AppSettingsRecord AppSettings;
