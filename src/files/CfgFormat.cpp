#include "files/CfgFormat.h"

#include "core/Blanks.h"
#include "core/FileAccess.h"
#include "core/KorvexError.h"

#include <QDateTime>
#include <QLocale>

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");

} // namespace

QByteArray flattenCfgField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\r' && i + 1 < field.size() && field.at(i + 1) == '\n')
            ++i; // a CR LF pair is one line break, so one space
        out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

QByteArray CfgFileBytes(const KeyOverrides &rows, const QByteArray &writtenAt)
{
    QByteArray out;
    out += CfgHeaderLine + LineEnd;
    // The header's own extra line end yields the empty third line.
    out += QByteArrayLiteral("#File written ") + flattenCfgField(writtenAt) + LineEnd + LineEnd;
    for (int i = 0; i < RowCount; ++i) {
        const KeyOverride &row = rows[static_cast<std::size_t>(i)];
        out += QByteArray::number(i + 1).rightJustified(2, '0');
        out += '\t' + flattenCfgField(row.key);
        out += '\t' + flattenCfgField(row.string);
        out += '\t' + flattenCfgField(row.description);
        out += LineEnd;
    }
    return out;
}

QByteArray CfgFileBytes(const KeyOverrides &rows)
{
    return CfgFileBytes(rows, CfgWrittenAt(QDateTime::currentDateTime(), QLocale::system()));
}

void saveCfgFile(const QString &path, const KeyOverrides &rows)
{
    QString why;
    if (!replaceFile(path, CfgFileBytes(rows), &why))
        throw KorvexError(why);
}

QString timeFormatWithoutZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t'))
                ++i;
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

QByteArray CfgWrittenAt(const QDateTime &when, const QLocale &locale)
{
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString time =
        locale.toString(when.time(), timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
    // The file is 8-bit text like the rows it holds.
    return (date + QLatin1Char(' ') + time).toLatin1();
}

std::optional<QList<QByteArray>> CfgRecordFields(const QByteArray &line)
{
    const QByteArray record = trimBlanks(line, " ");
    if (record.isEmpty() || record.startsWith('#'))
        return std::nullopt;

    // Only the first four fields are used; a line of a million TABs must not
    // become a million fields.
    constexpr int UsedFields = 4;
    QList<QByteArray> fields;
    qsizetype start = 0;
    while (fields.size() < UsedFields) {
        const qsizetype tab = record.indexOf('\t', start);
        if (tab < 0) {
            fields.append(record.mid(start));
            break;
        }
        fields.append(record.mid(start, tab - start));
        start = tab + 1;
    }
    if (fields.size() < 2)
        return std::nullopt;
    return fields;
}
