#pragma once

#include "core/AppSettings.h"

#include <QString>
#include <QStringList>

#include <map>

// The [PORTS] section as the settings file states it: which device each COMn
// is. A line meant for it that cannot be read is a problem, never passed
// over: the COMn it meant would otherwise reach whatever device the default
// gives, which may be another unit on the line.
struct PortsSection
{
    std::map<int, QString> devices; // n of COMn -> the device as written
    // "Korvex.ini: line 3: "COM05=/dev/x": ...", one per line that cannot be read.
    QStringList problems;
};

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
    PortsSection ports; // its problems are among problems too
};

// Korvex.ini, the one place that knows its sections and keys: the four
// settings, the [PORTS] mapping of COMn to a device, and where the .cfg
// dialogs last were.
//
// It may be two files: the one beside the program, and this user's own, which
// takes the settings a save could not write beside the program. A value in the
// user's file wins over the same key in the other.
class SettingsFile
{
public:
    explicit SettingsFile(QString path, QString userPath = {})
        : m_path(std::move(path)), m_userPath(std::move(userPath))
    {}

    // The file read first, and written when it can be.
    const QString &path() const { return m_path; }
    // Where saves go that cannot be written to path(); empty when there is no such place.
    const QString &userPath() const { return m_userPath; }

    // The four settings as start-up reads them, defaults for what is absent.
    // A PORT or ENABLESTRINGS that is no 16-bit whole number is a problem (the
    // key, the file and why), and only that value takes its default. A file
    // that cannot be read is a problem too, and every value its default; so
    // is every line of [PORTS] that cannot be read, and a section header that
    // is not closed or nearly names one of the file's sections.
    SettingsRead read() const;
    // Stores all four in one replacement of the file. When path() cannot be
    // written they go to userPath(), and *savedTo says so (it is empty when
    // they went to path()). On failure returns false with *why, and each file
    // is as it was.
    bool write(const AppSettings &settings, QString *why, QString *savedTo = nullptr) const;

    // The [PORTS] section as the files state it now.
    PortsSection ports() const;

    // The folder the .cfg dialogs last opened or saved in, empty when none.
    QString lastDirectory() const;
    void setLastDirectory(const QString &directory) const;

private:
    QString value(const QString &section, const QString &key, const QString &def) const;

    QString m_path;
    QString m_userPath;
};
