#pragma once

#include <QList>
#include <QString>

// Korvex.ini access. Section and key names match without regard to case;
// spaces around the equals sign are not part of the value. Otherwise a value
// comes back exactly as stored: no unquoting, no escapes, no list splitting,
// and a key present with an empty value yields empty text. Values are 8-bit
// text (Latin-1).

// The stored value, cut to 1023 characters, or def when the file, the section
// or the key is absent (or the file cannot be read).
QString ReadINI(const QString &path, const QString &section, const QString &key, const QString &def);

struct IniEntry
{
    QString section;
    QString key;
    QString value;
};

// Sets keys, creating the file and the sections when needed, in one
// replacement of the file: every other line, comments and unknown sections
// included, stays as it was. On failure returns false with *why, and the file
// is exactly as it was: a file that exists but cannot be read is never
// rewritten from nothing.
bool WriteINI(const QString &path, const QList<IniEntry> &entries, QString *why = nullptr);
bool WriteINI(const QString &path, const QString &section, const QString &key, const QString &value,
              QString *why = nullptr);
