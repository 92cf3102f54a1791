#include "UnitFolder.h"

// The station watches a folder of stable names only where udev makes one.
QList<FolderEntry> folderEntries(const QString &)
{
    return {};
}

bool isSerialDevice(const QString &, QString *)
{
    return true;
}

QString folderIdentity(const QString &)
{
    return {};
}
