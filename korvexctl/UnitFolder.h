#pragma once

#include <QList>
#include <QString>

// The folder a station watches: each entry that appears in it is a unit
// plugged in, as udev makes a stable name under /dev/serial/by-id for each
// adapter. What the system offers here differs (the Unix file calls).

// One entry of the folder, as it is now.
struct FolderEntry
{
    QString name; // as shown: a name that is not UTF-8 with its bytes as {HH}
    QString path; // what to open
    // What it leads to now (the file system and inode), empty when nothing.
    QString target;
    // What tells one plugging in from the next under the same name; empty for
    // an entry that leads nowhere now (a unit being pulled out).
    QString identity;
    // Why the entry can never be a unit (a link that leads to itself, a name
    // that cannot be opened as given), empty when it may be one.
    QString unusable;
};
QList<FolderEntry> folderEntries(const QString &folder);

// Whether path leads to a serial device (a terminal device); *why says what
// it is instead when it does not: a regular file, a pipe, another device.
bool isSerialDevice(const QString &path, QString *why);

// The folder as it is now on the disk (the one a link leads to), empty when
// there is none: a watch follows a link that is replaced by a folder.
QString folderIdentity(const QString &folder);
