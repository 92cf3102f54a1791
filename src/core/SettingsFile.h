#pragma once

#include "core/AppSettings.h"

#include <QString>
#include <QStringList>

// The four settings as read, and what was wrong on the way: each problem is a
// description the window shows after "Error detected - ".
struct SettingsRead
{
    AppSettings settings;
    QStringList problems;
    // Why the file exists but cannot be read ("path: reason"), empty when it
    // can. Its [PORTS] mapping is then unknown too, so COMn may reach another
    // device than the operator's.
    QString unreadable;
};

// Korvex.ini, the one place that knows its sections and keys: the four
// settings, the [PORTS] mapping of COMn to a device, and where the .cfg
// dialogs last were.
class SettingsFile
{
public:
    explicit SettingsFile(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    // The four settings as start-up reads them, defaults for what is absent.
    // A PORT or ENABLESTRINGS that is no 16-bit whole number is a problem (the
    // key, the file and why), and only that value takes its default. A file
    // that cannot be read is a problem too, and every value its default.
    SettingsRead read() const;
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
