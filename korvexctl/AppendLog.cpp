#include "AppendLog.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

bool AppendLog::open(const QString &path, QString *why)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": this is not a regular file");
        return false;
    }
    m_file.setFileName(path);
    // Unbuffered: each line goes to the system in one write, never half.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    return true;
}

bool AppendLog::append(const QByteArray &line, QString *why)
{
    const bool written = m_file.write(line) == line.size();
#ifdef Q_OS_WIN
    const bool synced = written && ::_commit(m_file.handle()) == 0;
#else
    const bool synced = written && ::fsync(m_file.handle()) == 0;
#endif
    if (!synced)
        *why = QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
    return synced;
}
