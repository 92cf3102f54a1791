#include "core/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool fail(QString *why, const QString &path, const QString &reason)
{
    if (why)
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
    return false;
}

const QString NotAFile = QStringLiteral("this is a device or pipe, not a file");
const QString AFolder = QStringLiteral("this is a folder, not a file");

} // namespace

bool openRegularFile(QFile &file, const QString &path, QString *why)
{
#ifdef Q_OS_UNIX
    // Opening without blocking never waits for a pipe's writer; what is opened
    // is then looked at, not the name, which might have changed meanwhile.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(why, path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(why, path, S_ISDIR(status.st_mode) ? AFolder : NotAFile);
    }
    // Left non-blocking: a regular file's reads do not block anyway, and one
    // that would (a kernel message queue) fails with a message instead.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(why, path, file.errorString());
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.isDir())
        return fail(why, path, AFolder);
    if (info.exists() && !info.isFile())
        return fail(why, path, NotAFile);
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) || fail(why, path, file.errorString());
#endif
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *why)
{
    const QFileInfo old(path);
    if (old.exists() && !old.isFile())
        return fail(why, path, old.isDir() ? AFolder : NotAFile + QStringLiteral("; it was left as it is"));
    if (!old.exists() && old.isSymLink())
        return fail(why, path, QStringLiteral("this is a link to nothing; it was left as it is"));
    QSaveFile file(path);
    const auto failed = [&] { return fail(why, path, file.errorString()); };
    // Unbuffered, because a buffered flush that the disk accepts only in part
    // reports no error and the shortened file would replace the old one.
    // Written directly, a short write returns its count, and writing the rest
    // reports why it failed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed();
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return failed();
        done += written;
    }
    // A file someone made read-only, or private, stays so. The "user" flags
    // say what this process may do (root may write anything); Qt would set
    // them as the owner's, so only the file's own mode goes across.
    const QFileDevice::Permissions user =
        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    if (old.exists() && !file.setPermissions(old.permissions() & ~user))
        return failed();
    return file.commit() || failed();
}
