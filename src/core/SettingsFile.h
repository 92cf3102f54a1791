#pragma once

#include "core/AppSettings.h"

#include <QString>

class Prompter;

// Korvex.ini, the one place that knows its sections and keys: the four
// settings, the [PORTS] mapping of COMn to a device, and where the .cfg
// dialogs last were.
class SettingsFile
{
public:
    explicit SettingsFile(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    // The four settings as start-up reads them, defaults for what is absent.
    // A PORT or ENABLESTRINGS that is no 16-bit whole number is reported
    // ("Error detected - ", the key, the file and why) and only that value
    // takes its default.
    AppSettings read(Prompter &prompter) const;
    // Stores all four in one replacement of the file. On failure returns
    // false with *why, and the file is as it was.
    bool write(const AppSettings &settings, QString *why) const;

    // The device named for COMn under [PORTS], empty when none. Text from a
    // ";" on is a comment: device paths never hold one.
    QString portDevice(int port) const;

    // The folder the .cfg dialogs last opened or saved in, empty when none.
    QString lastDirectory() const;
    void setLastDirectory(const QString &directory) const;

private:
    QString m_path;
};
