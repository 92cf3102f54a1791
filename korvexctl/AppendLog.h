#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A record kept line by line: each line is appended whole and reaches the
// disk before append() returns, so a power cut loses at most the line being
// written. Nothing already there is ever rewritten, and every record stands
// on a line of its own: a file that ends without a line end (cut by a power
// loss) gets one first, and a line that cannot be written whole (a full disk)
// is taken back, so no half record is ever followed by the next.
class AppendLog
{
public:
    // Opens path for appending, creating it; refuses what is not a regular
    // file. False with *why.
    bool open(const QString &path, QString *why);
    bool isOpen() const { return m_file.isOpen(); }
    bool append(const QByteArray &line, QString *why);

private:
    QFile m_file;
};
