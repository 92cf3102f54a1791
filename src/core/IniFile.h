#pragma once

#include <QList>
#include <QString>

#include <optional>

// Korvex.ini access. Section and key names match without regard to case;
// spaces around the equals sign are not part of the value. Otherwise a value
// comes back exactly as stored: no unquoting, no escapes, no list splitting,
// and a key present with an empty value yields empty text. Values are 8-bit
// text (Latin-1). A leading UTF-8 byte-order mark is skipped, and CR LF, LF
// or a bare CR ends a line.

// The stored value, cut to 1023 characters, or def when the file, the section
// or the key is absent, or the file cannot be read (see iniReadProblem).
QString ReadINI(const QString &path, const QString &section, const QString &key, const QString &def);
// The same, or nothing when the key is not there.
std::optional<QString> readIniValue(const QString &path, const QString &section, const QString &key);

// One line of a settings file as the reader takes it, for the checks that look
// at a whole section rather than one key.
struct IniLineView
{
    enum class Kind {
        Ignored,         // blank, or a comment (";" or "#")
        Section,         // [name]
        UnclosedSection, // "[name" without its "]"
        Entry,           // key=value
        Other,           // anything else: the reader passes over it
    };
    int number = 0; // 1-based
    Kind kind = Kind::Ignored;
    QString name;  // the section's or the key's, blanks around it dropped
    QString value; // an entry's
    QString text;  // the line as written, blanks around it dropped
};
// Every line of the file; none when it is absent or cannot be read.
QList<IniLineView> readIniLines(const QString &path);

// Why the file at path cannot be read as a settings file ("path: reason"):
// not a regular file, no permission, a NUL byte (not text), too large. Empty
// when it can be read, and when it does not exist at all.
QString iniReadProblem(const QString &path);

struct IniEntry
{
    QString section;
    QString key;
    QString value;
};

// Sets keys, creating the file and the sections when needed, in one
// replacement of the file: every other line keeps its bytes, its line end
// included, and the file keeps its permissions. On failure returns false
// with *why, and the file is exactly as it was: a file that exists but cannot
// be read is never rewritten from nothing.
bool WriteINI(const QString &path, const QList<IniEntry> &entries, QString *why = nullptr);
bool WriteINI(const QString &path, const QString &section, const QString &key, const QString &value,
              QString *why = nullptr);
