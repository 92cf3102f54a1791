#include "core/FileAccess.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool openRegularFile(QFile &file, const QString &path, QString *why)
{
    // Opening without blocking never waits for a pipe's writer; what is opened
    // is then looked at, not the name, which might have changed meanwhile.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fileFailure(why, path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fileFailure(why, path, S_ISDIR(status.st_mode) ? AFolder : NotAFile);
    }
    // Left non-blocking: a regular file's reads do not block anyway, and one
    // that would (a kernel message queue) fails with a message instead.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fileFailure(why, path, file.errorString());
    }
    return true;
}

bool canMakeFilesIn(const QString &dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

bool syncToDisk(QFile &file)
{
    return ::fsync(file.handle()) == 0;
}
