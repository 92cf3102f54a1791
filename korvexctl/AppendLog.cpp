#include "AppendLog.h"

#include <QDir>
#include <QFileInfo>

#include "core/FileAccess.h"

bool AppendLog::open(const QString &path, QString *why)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": this is not a regular file");
        return false;
    }
    m_file.setFileName(path);
    // Unbuffered: each line goes to the system in one write, never half.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    char last = '\n';
    const qint64 size = m_file.size();
    if (size > 0 && !(m_file.seek(size - 1) && m_file.getChar(&last))) {
        *why = QDir::toNativeSeparators(path) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    return last == '\n' || append("\n", why);
}

bool AppendLog::append(const QByteArray &bytes, QString *why)
{
    const qint64 before = m_file.size();
    const bool done = m_file.write(bytes) == bytes.size() && syncToDisk(m_file);
    if (!done) {
        *why = QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
        // What did reach the file is not a record; taken back, the next one
        // starts where this one would have.
        if (m_file.size() != before)
            m_file.resize(before);
    }
    return done;
}
