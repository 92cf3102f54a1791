#include "core/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <io.h>

bool openRegularFile(QFile &file, const QString &path, QString *why)
{
    const QFileInfo info(path);
    if (info.isDir())
        return fileFailure(why, path, AFolder);
    if (info.exists() && !info.isFile())
        return fileFailure(why, path, NotAFile);
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) || fileFailure(why, path, file.errorString());
}

bool canMakeFilesIn(const QString &dir)
{
    // Windows decides by access rights, which the attributes Qt reads do not
    // show: to them a folder under Program Files is writable. Trying is the
    // one sure answer.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("Korvex.XXXXXX.tmp")));
    return QFileInfo(dir).isDir() && probe.open();
}

bool syncToDisk(QFile &file)
{
    return ::_commit(file.handle()) == 0;
}
