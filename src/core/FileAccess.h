#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Opens path for reading, but only a regular file, and so that reading it never
// waits: a pipe, a device, a folder or a file whose reads would block (as some
// files under /proc do) is refused with *why instead of hanging the program.
bool openRegularFile(QFile &file, const QString &path, QString *why);

// Whether the program may make files in dir.
bool canMakeFilesIn(const QString &dir);

// Flushes what was written to an open file down to the disk; false when the
// system could not.
bool syncToDisk(QFile &file);

// "path: reason" into *why (when given); false, to return at once.
bool fileFailure(QString *why, const QString &path, const QString &reason);
// What a file turned out to be, where a regular file was wanted.
extern const QString NotAFile;
extern const QString AFolder;

// Replaces the file at path with bytes, or leaves it exactly as it was and
// returns false with *why ("path: what failed"). The new content is written
// beside the old file and takes its place only once it is complete, with the
// old file's permissions. A path that exists and is not a regular file (a
// device, a pipe, a folder, also behind a link) is never replaced.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *why);
