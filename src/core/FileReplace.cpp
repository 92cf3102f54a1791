#include "core/FileReplace.h"

#include <QDir>
#include <QSaveFile>

bool replaceFile(const QString &path, const QByteArray &bytes, QString *why)
{
    QSaveFile file(path);
    const auto failed = [&] {
        if (why)
            *why = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
        return false;
    };
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
    return file.commit() || failed();
}
