#pragma once

#include "UnitSource.h"

#include <QFileSystemWatcher>

// The folder a station watches on Linux: each entry that appears in it is a
// unit plugged in, as udev makes a stable name under /dev/serial/by-id for
// each adapter. The folder may come and go, and be replaced: the watch
// follows it.
class UnitFolder : public UnitSource
{
    Q_OBJECT

public:
    // folder as given, a relative one from where the station runs.
    explicit UnitFolder(const QString &folder);

    QString refusal() const override;
    QString watched() const override;
    QString startNote() const override;
    QList<UnitEntry> entries() override;
    QString notSerial(const UnitEntry &entry) const override;
    bool stillThere(const UnitEntry &entry) const override;

private:
    void follow();

    QFileSystemWatcher m_watcher;
    QString m_given;
    QString m_folder;         // absolute
    QString m_folderIdentity; // what it was when last watched
};

// What the system offers here differs (the Unix file calls).

// The folder's entries as they are now.
QList<UnitEntry> folderEntries(const QString &folder);

// Whether path leads to a serial device (a terminal device); *why says what
// it is instead when it does not: a regular file, a pipe, another device.
bool isSerialDevice(const QString &path, QString *why);

// The folder as it is now on the disk (the one a link leads to), empty when
// there is none: a watch follows a link that is replaced by a folder.
QString folderIdentity(const QString &folder);
