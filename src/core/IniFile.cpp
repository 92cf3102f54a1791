#include "core/IniFile.h"

#include "core/Blanks.h"
#include "core/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

constexpr int MaxValueLength = 1023;

// Settings files are tiny; anything larger is not ours and is not read whole.
constexpr qint64 MaxFileSize = 1024 * 1024;

const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");

struct IniLine
{
    using Kind = IniLineView::Kind;
    Kind kind = Kind::Ignored;
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
        line.kind = close > 0 ? IniLine::Kind::Section : IniLine::Kind::UnclosedSection;
        line.name = trimBlanks(close > 0 ? text.mid(1, close - 1) : text.mid(1));
        return line;
    }
    const qsizetype eq = text.indexOf('=');
    line.kind = eq > 0 ? IniLine::Kind::Entry : IniLine::Kind::Other;
    if (eq > 0) {
        line.name = trimBlanks(text.left(eq));
        line.value = trimBlanks(text.mid(eq + 1));
    }
    return line;
}

bool sameName(const QByteArray &a, const QString &b)
{
    return QString::fromLatin1(a).compare(b, Qt::CaseInsensitive) == 0;
}

// A line as the file holds it: its text and the bytes that end it (CR LF, LF,
// CR, or nothing for a last line without an end), so that a line the program
// does not change is written back byte for byte.
struct RawLine
{
    QByteArray text;
    QByteArray end;
};

// What a settings file holds now. A file that exists but cannot be read
// whole is not "empty": writing over it would lose every other section.
struct FileContent
{
    QByteArray bom;
    QList<RawLine> lines;
    QString problem; // empty when readable (or absent)
};

QList<RawLine> splitLines(const QByteArray &bytes)
{
    QList<RawLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        qsizetype next = end;
        if (next < bytes.size())
            next += bytes.at(next) == '\r' && next + 1 < bytes.size() && bytes.at(next + 1) == '\n' ? 2 : 1;
        lines.append({bytes.mid(start, end - start), bytes.mid(end, next - end)});
        start = next;
    }
    return lines;
}

FileContent readFile(const QString &path)
{
    FileContent content;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return content; // no file yet: every value takes its default
    QFile file;
    QString why;
    if (!openRegularFile(file, path, &why)) {
        content.problem = why;
        return content;
    }
    QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        content.problem = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
    else if (bytes.size() > MaxFileSize)
        content.problem =
            QDir::toNativeSeparators(path) +
            QStringLiteral(": larger than %1 bytes, which no settings file is").arg(MaxFileSize);
    else if (bytes.contains('\0'))
        content.problem = QDir::toNativeSeparators(path) +
                          QStringLiteral(": it holds NUL bytes, so it is not a settings file");
    if (!content.problem.isEmpty())
        return content;
    // Another editor may have saved it as UTF-8 with a mark in front.
    if (bytes.startsWith(Bom)) {
        content.bom = Bom;
        bytes.remove(0, Bom.size());
    }
    content.lines = splitLines(bytes);
    return content;
}

// The line end new lines get: the one the file uses first, LF in a new file.
QByteArray lineEndOf(const QList<RawLine> &lines)
{
    for (const RawLine &line : lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return QByteArrayLiteral("\n");
}

// Sets one key among the lines of a file, keeping every other line.
void setEntry(QList<RawLine> &lines, const IniEntry &wanted, const QByteArray &eol)
{
    const QByteArray entry = wanted.key.toLatin1() + '=' + wanted.value.toLatin1();
    qsizetype sectionAt = -1;
    qsizetype lastEntryOfSection = -1;
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < lines.size() && keyAt < 0; ++i) {
        const IniLine line = parseLine(lines.at(i).text);
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

    const auto insert = [&](qsizetype at, const QByteArray &text) {
        // The line before it ends now, however it ended before.
        if (at > 0 && lines[at - 1].end.isEmpty())
            lines[at - 1].end = eol;
        lines.insert(at, {text, eol});
    };
    if (keyAt >= 0) {
        lines[keyAt].text = entry;
        if (lines[keyAt].end.isEmpty())
            lines[keyAt].end = eol; // a line the program writes is a whole line
    } else if (sectionAt >= 0) {
        insert(lastEntryOfSection + 1, entry);
    } else {
        if (!lines.isEmpty() && !trimBlanks(lines.last().text).isEmpty())
            insert(lines.size(), QByteArray());
        insert(lines.size(), '[' + wanted.section.toLatin1() + ']');
        insert(lines.size(), entry);
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
    return readIniValue(path, section, key).value_or(def);
}

std::optional<QString> readIniValue(const QString &path, const QString &section, const QString &key)
{
    const FileContent content = readFile(path);
    bool inSection = false;
    for (const RawLine &raw : content.lines) {
        const IniLine line = parseLine(raw.text);
        if (line.kind == IniLine::Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == IniLine::Kind::Entry && sameName(line.name, key))
            return QString::fromLatin1(line.value.left(MaxValueLength));
    }
    return std::nullopt;
}

QList<IniLineView> readIniLines(const QString &path)
{
    QList<IniLineView> views;
    const FileContent content = readFile(path);
    int number = 0;
    for (const RawLine &raw : content.lines) {
        const IniLine line = parseLine(raw.text);
        views.append({++number, line.kind, QString::fromLatin1(line.name), QString::fromLatin1(line.value),
                      QString::fromLatin1(trimBlanks(raw.text))});
    }
    return views;
}

QString iniReadProblem(const QString &path)
{
    return readFile(path).problem;
}

bool WriteINI(const QString &path, const QList<IniEntry> &entries, QString *why)
{
    const QString shown = QDir::toNativeSeparators(path);
    FileContent content = readFile(path);
    if (!content.problem.isEmpty())
        return fail(why,
                    content.problem + QStringLiteral("; the file cannot be read, so it was left as it is"));

    const QByteArray eol = lineEndOf(content.lines);
    for (const IniEntry &entry : entries)
        setEntry(content.lines, entry, eol);
    QByteArray bytes = content.bom;
    for (const RawLine &line : std::as_const(content.lines))
        bytes += line.text + line.end;

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(why, QStringLiteral("cannot make the folder of %1").arg(shown));
    return replaceFile(path, bytes, why);
}

bool WriteINI(const QString &path, const QString &section, const QString &key, const QString &value,
              QString *why)
{
    return WriteINI(path, {IniEntry{section, key, value}}, why);
}
