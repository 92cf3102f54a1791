#pragma once

#include <QString>

// Korvex.ini access, one key at a time. Section and key names match without
// regard to case; spaces around the equals sign are not part of the value.
// Otherwise a value comes back exactly as stored: no unquoting, no escapes, no
// list splitting, and a key present with an empty value yields empty text.
// Values are 8-bit text (Latin-1).

// The stored value, cut to 1023 characters, or def when the file, the section
// or the key is absent.
QString ReadINI(const QString &path, const QString &section, const QString &key, const QString &def);

// Sets one key, creating the file and the section when needed. Every other
// line of the file, comments and unknown sections included, stays as it was.
// The file is replaced atomically. Returns false when it could not be written.
bool WriteINI(const QString &path, const QString &section, const QString &key, const QString &value);
