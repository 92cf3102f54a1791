#pragma once

#include <QString>
#include <QStringList>

// The candidate a mistyped word most likely meant: the one fewest
// single-character edits away (case aside), when that is fewer than
// maxEdits; empty when none is that close, or when the word is one of them.
QString nearestName(const QString &word, const QStringList &candidates, int maxEdits = 3);
