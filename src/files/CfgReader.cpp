#include "files/CfgReader.h"

#include "core/DecimalNumber.h"
#include "core/FileAccess.h"
#include "core/KorvexError.h"
#include "core/NearestName.h"
#include "files/CfgFormat.h"
#include "files/CfgLineReader.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringNotation.h"
#include "keys/KeyTable.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

// A row number as the operator wrote it, short enough for a message box.
QString quoted(const QByteArray &field)
{
    constexpr int Shown = 24;
    const QByteArray trimmed = field.trimmed();
    if (trimmed.size() <= Shown)
        return QString::fromLatin1(trimmed);
    return QString::fromLatin1(trimmed.left(Shown)) + QStringLiteral("...");
}

// The window's message for a bad group names the form it wants; a group that
// is right but for its letters' case deserves saying so.
QString lowerCaseHint(const QByteArray &text)
{
    static const QRegularExpression group(QStringLiteral("\\{[0-9a-fA-F]{1,2}\\}"));
    for (auto it = group.globalMatch(QString::fromLatin1(text)); it.hasNext();) {
        const QString found = it.next().captured();
        if (found != found.toUpper())
            return QStringLiteral(" (hex digits are upper case: %1, not %2)").arg(found.toUpper(), found);
    }
    return {};
}

} // namespace

std::optional<QByteArray> CfgRecord::string() const
{
    return fields.size() > 2 ? std::optional(fields.at(2)) : std::nullopt;
}

std::optional<QByteArray> CfgRecord::description() const
{
    return fields.size() > 3 ? std::optional(fields.at(3)) : std::nullopt;
}

QString CfgRecord::rowNumberProblem() const
{
    return QStringLiteral("row number %1 is not between 1 and %2").arg(quoted(fields.at(0))).arg(RowCount);
}

CfgReader::CfgReader(QIODevice &input, qint64 inputSize, const CfgReadLimits &limits)
    : m_lines(std::make_unique<CfgLineReader>(input, limits.maxLineBytes,
                                              std::max(inputSize, limits.minInputBytes))),
      m_maxLineBytes(limits.maxLineBytes)
{}

CfgReader::~CfgReader() = default;

qint64 CfgReader::lineNumber() const
{
    return m_lines->lineNumber();
}

CfgReader::Step CfgReader::next(CfgRecord *record)
{
    QByteArray line;
    switch (m_lines->next(&line)) {
    case CfgLineReader::Result::End:
        return Step::End;
    case CfgLineReader::Result::LineTooLong:
        m_stopReason = QStringLiteral("line %1 is longer than %2 bytes, which no configuration file has; "
                                      "nothing from that line on was read")
                           .arg(m_lines->lineNumber())
                           .arg(m_maxLineBytes);
        return Step::Stopped;
    case CfgLineReader::Result::InputTooLong:
        m_stopReason =
            QStringLiteral("the input has not ended after %1 bytes; nothing from line %2 on was read")
                .arg(m_lines->bytesRead())
                .arg(m_lines->lineNumber());
        return Step::Stopped;
    case CfgLineReader::Result::Line:
        break;
    }
    std::optional<QList<QByteArray>> fields = CfgRecordFields(line);
    if (!fields) {
        const QByteArray text = line.trimmed();
        return text.isEmpty() || text.startsWith('#') ? Step::Ignored : Step::Other;
    }
    *record = CfgRecord();
    record->line = m_lines->lineNumber();
    record->fields = std::move(*fields);
    // Anything above 16 is rejected before rounding, so 16.5 names no row;
    // below that the number rounds half to even (0.5 is row 0, rejected).
    if (const std::optional<double> number = parseDecimal(record->fields.at(0), Exponent::Refused)) {
        const double row = *number > RowCount ? *number : roundHalfEven(*number);
        if (row >= 1 && row <= RowCount) {
            record->rowNumber = CfgRecord::RowNumber::Valid;
            record->index = static_cast<int>(row) - 1;
        } else {
            record->rowNumber = CfgRecord::RowNumber::OutOfRange;
        }
    }
    return Step::Record;
}

CfgFileRows readCfgRows(QIODevice &input, qint64 size, const CfgReadLimits &limits)
{
    CfgFileRows out;
    CfgReader reader(input, size, limits);
    CfgRecord record;
    const auto add = [&](const QString &text) {
        if (out.problems.size() < CfgFileRows::KeptProblems)
            out.problems << text;
        else
            ++out.moreProblems;
    };
    const auto problem = [&](const QString &text) {
        add(QStringLiteral("line %1: %2").arg(record.line).arg(text));
    };
    const QString notARow = QStringLiteral("not a row: expected NN<TAB>KEY<TAB>TEXT");
    QStringList keyNames;
    for (const KeySlot &slot : KeyTable)
        keyNames << QString::fromLatin1(slot.KeyName);
    for (;;) {
        const CfgReader::Step step = reader.next(&record);
        if (step == CfgReader::Step::End)
            break;
        if (step == CfgReader::Step::Stopped) {
            add(reader.stopReason());
            break;
        }
        if (step == CfgReader::Step::Other) {
            add(QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(notARow));
            continue;
        }
        if (step != CfgReader::Step::Record)
            continue;
        if (record.rowNumber == CfgRecord::RowNumber::NotANumber) {
            problem(notARow);
            continue;
        }
        if (record.rowNumber == CfgRecord::RowNumber::OutOfRange) {
            problem(record.rowNumberProblem());
            continue;
        }
        KeyOverride &row = out.rows[static_cast<std::size_t>(record.index)];
        out.named.set(static_cast<std::size_t>(record.index));
        row.key = record.key();
        if (!row.key.isEmpty() && KeyNameToScancode(row.key) == 0) {
            const QString meant = nearestName(QString::fromLatin1(row.key), keyNames, 2);
            problem(
                QStringLiteral("unknown key name \"%1\" for row %2%3")
                    .arg(QString::fromLatin1(row.key))
                    .arg(record.index + 1)
                    .arg(meant.isEmpty() ? QString() : QStringLiteral("; did you mean \"%1\"?").arg(meant)));
        }
        if (const std::optional<QByteArray> string = record.string()) {
            row.string = *string;
            if (const QString message = notationMessage(*string, ScanKeyString(*string), record.index);
                !message.isEmpty())
                problem(message + lowerCaseHint(*string));
        }
        if (const std::optional<QByteArray> description = record.description())
            row.description = *description;
    }
    return out;
}

CfgFileRows readCfgRows(const QString &path, QIODevice *standardInput)
{
    try {
        if (path == QLatin1String("-") && standardInput)
            return readCfgRows(*standardInput, 0);
        QFile file;
        QString why;
        if (!openRegularFile(file, path, &why)) {
            CfgFileRows failed;
            failed.error = why;
            return failed;
        }
        return readCfgRows(file, file.size());
    } catch (const KorvexError &error) {
        CfgFileRows failed;
        failed.error = path + QStringLiteral(": ") + error.description();
        return failed;
    }
}
