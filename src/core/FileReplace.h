#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes, or leaves it exactly as it was and
// returns false with *why ("path: what failed"). The new content is written
// beside the old file and takes its place only once it is complete.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *why);
