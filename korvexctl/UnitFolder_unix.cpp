#include "UnitFolder.h"

#include "keys/KeyStringNotation.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The name as text, and whether it is exactly these bytes.
QString shownName(const QByteArray &raw, bool *exact)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = utf8(raw);
    *exact = !utf8.hasError();
    if (*exact)
        return name;
    name.clear();
    for (const char byte : raw)
        name +=
            quint8(byte) < 0x80 ? QString(QLatin1Char(byte)) : QString::fromLatin1(HexGroup(quint8(byte)));
    return name;
}

QString kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return QStringLiteral("a regular file");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device that is no serial port");
}

} // namespace

QList<UnitEntry> folderEntries(const QString &folder)
{
    QList<UnitEntry> entries;
    const QByteArray base = QFile::encodeName(folder);
    DIR *dir = ::opendir(base.constData());
    if (!dir)
        return entries;
    while (const dirent *found = ::readdir(dir)) {
        const QByteArray raw(found->d_name);
        if (raw == "." || raw == "..")
            continue;
        const QByteArray full = base + '/' + raw;
        struct stat link
        {
        };
        if (::lstat(full.constData(), &link) != 0)
            continue; // gone meanwhile
        UnitEntry entry;
        bool exact = false;
        entry.name = shownName(raw, &exact);
        entry.path = QFile::decodeName(full);
        struct stat target
        {
        };
        if (!exact) {
            entry.unusable = QStringLiteral("not a serial device (its name is not UTF-8)");
        } else if (::stat(full.constData(), &target) != 0) {
            if (errno == ELOOP)
                entry.unusable = QStringLiteral("not a serial device (a link that leads to itself)");
            // else: a link whose device is gone, a unit being pulled out
        } else {
            // A freed inode number is soon given to the next file: the time
            // the entry was made tells the two apart.
            entry.target = QStringLiteral("%1:%2").arg(target.st_dev).arg(target.st_ino);
            entry.identity = QStringLiteral("%1|%2|%3.%4")
                                 .arg(entry.target)
                                 .arg(link.st_ino)
                                 .arg(link.st_ctim.tv_sec)
                                 .arg(link.st_ctim.tv_nsec);
        }
        entries << entry;
    }
    ::closedir(dir);
    return entries;
}

bool isSerialDevice(const QString &path, QString *why)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {
    };
    if (::stat(name.constData(), &status) != 0) {
        *why = QStringLiteral("it leads nowhere");
        return false;
    }
    if (!S_ISCHR(status.st_mode)) {
        *why = kindOf(status.st_mode);
        return false;
    }
    // Only a terminal device takes line settings; /dev/null and its kind do
    // not. Opened without waiting and without becoming anyone's terminal.
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true; // a port this user may not open: its job says so
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    if (!terminal)
        *why = kindOf(status.st_mode);
    return terminal;
}

QString folderIdentity(const QString &folder)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    return QStringLiteral("%1:%2").arg(status.st_dev).arg(status.st_ino);
}
