#include "core/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace {

constexpr int MaxValueLength = 1023;

// Settings files are tiny; anything larger is not ours and is not read whole.
constexpr qint64 MaxFileSize = 1024 * 1024;

QByteArray trimBlanks(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.mid(begin, end - begin);
}

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

QByteArray readSmallFile(const QString &path, bool *exists)
{
    QFile file(path);
    *exists = file.exists();
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(MaxFileSize);
}

} // namespace

QString ReadINI(const QString &path, const QString &section, const QString &key, const QString &def)
{
    bool exists = false;
    const QByteArray content = readSmallFile(path, &exists);
    if (content.isEmpty())
        return def;

    QByteArray eol;
    bool inSection = false;
    for (const QByteArray &raw : splitLines(content, &eol)) {
        const IniLine line = parseLine(raw);
        if (line.kind == IniLine::Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == IniLine::Kind::Entry && sameName(line.name, key))
            return QString::fromLatin1(line.value.left(MaxValueLength));
    }
    return def;
}

bool WriteINI(const QString &path, const QString &section, const QString &key, const QString &value)
{
    bool exists = false;
    const QByteArray content = readSmallFile(path, &exists);
    if (exists && QFileInfo(path).size() > MaxFileSize)
        return false; // never truncate a file we could not read whole

    QByteArray eol;
    QList<QByteArray> lines = splitLines(content, &eol);
    const QByteArray entry = key.toLatin1() + '=' + value.toLatin1();

    qsizetype sectionAt = -1;
    qsizetype lastEntryOfSection = -1;
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < lines.size() && keyAt < 0; ++i) {
        const IniLine line = parseLine(lines.at(i));
        if (line.kind == IniLine::Kind::Section) {
            if (sectionAt >= 0)
                break; // left our section without finding the key
            if (sameName(line.name, section)) {
                sectionAt = i;
                lastEntryOfSection = i;
            }
        } else if (sectionAt >= 0 && line.kind == IniLine::Kind::Entry) {
            lastEntryOfSection = i;
            if (sameName(line.name, key))
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
        lines.append('[' + section.toLatin1() + ']');
        lines.append(entry);
    }

    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray &line : std::as_const(lines)) {
        file.write(line);
        file.write(eol);
    }
    return file.commit();
}
