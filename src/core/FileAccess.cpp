#include "core/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool fileFailure(QString *why, const QString &path, const QString &reason)
{
    if (why)
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
    return false;
}

const QString NotAFile = QStringLiteral("this is a device or pipe, not a file");
const QString AFolder = QStringLiteral("this is a folder, not a file");

bool replaceFile(const QString &path, const QByteArray &bytes, QString *why)
{
    const QFileInfo old(path);
    if (old.exists() && !old.isFile())
        return fileFailure(why, path,
                           old.isDir() ? AFolder : NotAFile + QStringLiteral("; it was left as it is"));
    if (!old.exists() && old.isSymLink())
        return fileFailure(why, path, QStringLiteral("this is a link to nothing; it was left as it is"));
    QSaveFile file(path);
    const auto failed = [&] { return fileFailure(why, path, file.errorString()); };
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
