#include "UnitFolder.h"

#include "CommandLine.h"

#include <QDir>
#include <QFileInfo>

std::unique_ptr<UnitSource> systemUnitSource(const Request &request)
{
    return std::make_unique<UnitFolder>(request.watchDir);
}

UnitFolder::UnitFolder(const QString &folder)
    : m_given(folder), m_folder(QFileInfo(folder).absoluteFilePath())
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &UnitSource::changed);
}

QString UnitFolder::refusal() const
{
    const QFileInfo folder(m_folder);
    if (folder.exists() && !folder.isDir())
        return QStringLiteral("%1 is not a folder: --watch names the folder whose entries are the units")
            .arg(QDir::toNativeSeparators(m_given));
    return {};
}

QString UnitFolder::watched() const
{
    return QDir::toNativeSeparators(m_given);
}

QString UnitFolder::startNote() const
{
    if (QFileInfo::exists(m_folder))
        return {};
    return QStringLiteral("%1 is not there yet: waiting for it to appear")
        .arg(QDir::toNativeSeparators(m_given));
}

void UnitFolder::follow()
{
    // The folder may not be there yet (udev makes /dev/serial/by-id for the
    // first adapter, and removes it with the last): until it is, its nearest
    // folder that is watches for it. Its parent is watched as well, and a
    // folder that is now another (a link made a folder, a folder remade) is
    // watched anew: a watch stays with the folder it was set on.
    const auto parentOf = [](const QString &path) { return QFileInfo(path).absolutePath(); };
    QString nearest = m_folder;
    while (folderIdentity(nearest).isEmpty() && parentOf(nearest) != nearest)
        nearest = parentOf(nearest);
    QStringList wanted{nearest};
    if (nearest == m_folder && parentOf(m_folder) != m_folder)
        wanted << parentOf(m_folder);
    const QString identity = folderIdentity(m_folder);
    if (identity != m_folderIdentity && m_watcher.directories().contains(m_folder))
        m_watcher.removePath(m_folder);
    m_folderIdentity = identity;
    for (const QString &path : m_watcher.directories()) {
        if (!wanted.contains(path))
            m_watcher.removePath(path);
    }
    for (const QString &path : std::as_const(wanted)) {
        if (!m_watcher.directories().contains(path))
            m_watcher.addPath(path);
    }
}

QList<UnitEntry> UnitFolder::entries()
{
    follow();
    return folderEntries(m_folder);
}

QString UnitFolder::notSerial(const UnitEntry &entry) const
{
    QString why;
    return isSerialDevice(entry.path, &why) ? QString() : QStringLiteral("not a serial device (%1)").arg(why);
}

bool UnitFolder::stillThere(const UnitEntry &entry) const
{
    // A link that leads nowhere now is a unit pulled out.
    return QFileInfo::exists(entry.path);
}
