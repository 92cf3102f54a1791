#pragma once

#include <QString>
#include <QStringList>

// The serial settings and the descriptions option: read from Korvex.ini at
// start-up, chosen in the Configuration dialog. A value handed to whoever
// needs it, so that several device sessions can each have their own. Port and
// EnableStrings are 16-bit because Korvex.ini values outside that range are
// rejected at start-up.
struct AppSettings
{
    qint16 Port = 0;
    QString Baud;
    QString Parity;
    qint16 EnableStrings = 0;

    bool descriptionsEnabled() const { return EnableStrings == 1; }

    friend bool operator==(const AppSettings &a, const AppSettings &b)
    {
        return a.Port == b.Port && a.Baud == b.Baud && a.Parity == b.Parity &&
               a.EnableStrings == b.EnableStrings;
    }
};

// The parity names the window and the dialog show: "NONE", "EVEN" or "ODD"
// for exactly "N", "E" or "O", the first letter of each; empty otherwise.
inline const QStringList ParityNames = {QStringLiteral("NONE"), QStringLiteral("EVEN"),
                                        QStringLiteral("ODD")};
inline QString parityName(const QString &letter)
{
    for (const QString &name : ParityNames) {
        if (letter.size() == 1 && name.startsWith(letter))
            return name;
    }
    return {};
}
// The letter for a parity given by name or letter in any case ("even", "E"),
// empty for anything else.
inline QString parityLetter(const QString &text)
{
    const QString upper = text.toUpper();
    for (const QString &name : ParityNames) {
        if (upper == name || upper == name.left(1))
            return name.left(1);
    }
    return {};
}
