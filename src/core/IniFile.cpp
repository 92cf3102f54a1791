#include "core/IniFile.h"

#include "core/Blanks.h"
#include "core/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

constexpr int MaxValueLength = 1023;

// Settings files are tiny; anything larger is not ours and is not read whole.
constexpr qint64 MaxFileSize = 1024 * 1024;

struct IniLine
{
    enum class Kind { Other, Section, Entry };
    Kind kind = Kind::Other;
    QByteArray name; // section or key name
    QByteArray value;
};

IniLine parseLine(const QByteArray &raw)
{
    IniLine line;
    const QByteArray text = trimBlanks(raw);
    if (text.isEmpty() || text.startsWith(';') || text.startsWith('#'))
        return line;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close > 0) {
            line.kind = IniLine::Kind::Section;
            line.name = trimBlanks(text.mid(1, close - 1));
        }
        return line;
    }
    const qsizetype eq = text.indexOf('=');
    if (eq > 0) {
        line.kind = IniLine::Kind::Entry;
        line.name = trimBlanks(text.left(eq));
        line.value = trimBlanks(text.mid(eq + 1));
    }
    return line;
}

bool sameName(const QByteArray &a, const QString &b)
{
    return QString::fromLatin1(a).compare(b, Qt::CaseInsensitive) == 0;
}

// Splits into lines without their line ends; remembers which end the file uses.
QList<QByteArray> splitLines(const QByteArray &content, QByteArray *eol)
{
    *eol = content.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// What a settings file holds now. A file that exists but cannot be read
// whole is not "empty": writing over it would lose every other section.
struct FileContent
{
    bool readable = true;
    QByteArray bytes;
    QString why;
};

FileContent readSmallFile(const QString &path)
{
    FileContent content;
    QFile file(path);
    if (!file.exists())
        return content;
    if (!file.open(QIODevice::ReadOnly)) {
        content.readable = false;
        content.why = file.errorString();
        return content;
    }
    content.bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        content.readable = false;
        content.why = file.errorString();
    } else if (content.bytes.size() > MaxFileSize) {
        content.readable = false;
        content.why =
            QStringLiteral("the file is larger than %1 bytes, which no settings file is").arg(MaxFileSize);
    }
    return content;
}

// Sets one key among the lines of a file, keeping every other line.
void setEntry(QList<QByteArray> &lines, const IniEntry &wanted)
{
    const QByteArray entry = wanted.key.toLatin1() + '=' + wanted.value.toLatin1();
    qsizetype sectionAt = -1;
    qsizetype lastEntryOfSection = -1;
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < lines.size() && keyAt < 0; ++i) {
        const IniLine line = parseLine(lines.at(i));
        if (line.kind == IniLine::Kind::Section) {
            if (sectionAt >= 0)
                break; // left our section without finding the key
            if (sameName(line.name, wanted.section)) {
                sectionAt = i;
                lastEntryOfSection = i;
            }
        } else if (sectionAt >= 0 && line.kind == IniLine::Kind::Entry) {
            lastEntryOfSection = i;
            if (sameName(line.name, wanted.key))
                keyAt = i;
        }
    }

    if (keyAt >= 0) {
        lines[keyAt] = entry;
    } else if (sectionAt >= 0) {
        lines.insert(lastEntryOfSection + 1, entry);
    } else {
        if (!lines.isEmpty() && !trimBlanks(lines.last()).isEmpty())
            lines.append(QByteArray());
        lines.append('[' + wanted.section.toLatin1() + ']');
        lines.append(entry);
    }
}

bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

} // namespace

QString ReadINI(const QString &path, const QString &section, const QString &key, const QString &def)
{
    const FileContent content = readSmallFile(path);
    if (content.bytes.isEmpty())
        return def;

    QByteArray eol;
    bool inSection = false;
    for (const QByteArray &raw : splitLines(content.bytes, &eol)) {
        const IniLine line = parseLine(raw);
        if (line.kind == IniLine::Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == IniLine::Kind::Entry && sameName(line.name, key))
            return QString::fromLatin1(line.value.left(MaxValueLength));
    }
    return def;
}

bool WriteINI(const QString &path, const QList<IniEntry> &entries, QString *why)
{
    const QString shown = QDir::toNativeSeparators(path);
    const FileContent content = readSmallFile(path);
    if (!content.readable)
        return fail(
            why, QStringLiteral("%1 cannot be read (%2), so it was left as it is").arg(shown, content.why));

    QByteArray eol;
    QList<QByteArray> lines = splitLines(content.bytes, &eol);
    for (const IniEntry &entry : entries)
        setEntry(lines, entry);
    QByteArray bytes;
    for (const QByteArray &line : std::as_const(lines))
        bytes += line + eol;

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(why, QStringLiteral("cannot make the folder of %1").arg(shown));
    return replaceFile(path, bytes, why);
}

bool WriteINI(const QString &path, const QString &section, const QString &key, const QString &value,
              QString *why)
{
    return WriteINI(path, {IniEntry{section, key, value}}, why);
}
