#include "Report.h"

#include "keys/KeyStringNotation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Kind = RowOutcome::Kind;
using Operation = Request::Operation;
using Status = SessionResult::Status;

QString latin1(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

QString keyText(const QByteArray &key)
{
    if (key.isEmpty())
        return QStringLiteral("no key");
    if (key == " ")
        return QStringLiteral("key (space)");
    return QStringLiteral("key ") + latin1(key);
}

QString stringText(const QByteArray &notation)
{
    return notation.isEmpty() ? QStringLiteral("no string") : latin1(notation);
}

bool identifying(Operation operation)
{
    return operation == Operation::List || operation == Operation::Version;
}

// Sends rows before comparing them.
bool writes(Operation operation)
{
    return operation == Operation::Write || operation == Operation::Station;
}

// The version as a line of text: the reply's line end is not part of it.
QString versionText(const QByteArray &reply)
{
    QByteArray version = reply;
    while (version.endsWith('\n') || version.endsWith('\r'))
        version.chop(1);
    return latin1(version);
}

QString outcomeName(Kind kind)
{
    switch (kind) {
    case Kind::NotRun:
        return QStringLiteral("not run");
    case Kind::Read:
        return QStringLiteral("read");
    case Kind::Cut:
        return QStringLiteral("cut");
    case Kind::UnknownKey:
        return QStringLiteral("unknown key");
    case Kind::Unreliable:
        return QStringLiteral("unreliable");
    case Kind::NoReply:
        return QStringLiteral("no reply");
    case Kind::Match:
        return QStringLiteral("match");
    case Kind::KeyMismatch:
        return QStringLiteral("key mismatch");
    case Kind::StringMismatch:
        return QStringLiteral("string mismatch");
    case Kind::NotAcknowledged:
        return QStringLiteral("not acknowledged");
    }
    return {};
}

// The outcome that counts for a row: a write's refusal shows in its send.
Kind rowKind(const DeviceJob &job, int i)
{
    const RowOutcome &sent = job.sent.rows[static_cast<std::size_t>(i)];
    if (writes(job.operation) && sent.kind == Kind::NotAcknowledged)
        return Kind::NotAcknowledged;
    return job.result.rows[static_cast<std::size_t>(i)].kind;
}

bool rowOk(const DeviceJob &job, int i)
{
    return rowKind(job, i) == (job.operation == Operation::Read ? Kind::Read : Kind::Match);
}

// Why a row is not right, or nothing when it is.
QString rowProblem(const DeviceJob &job, int i, const KeyOverride &file)
{
    const RowOutcome &row = job.result.rows[static_cast<std::size_t>(i)];
    switch (rowKind(job, i)) {
    case Kind::NotAcknowledged:
        return QStringLiteral("not acknowledged (%1)")
            .arg(latin1(BytesAsNotation(job.sent.rows[static_cast<std::size_t>(i)].reply)));
    case Kind::NoReply:
        return QStringLiteral("no reply");
    case Kind::Unreliable:
        return QStringLiteral("not trusted: an earlier row got no reply, and its reply may have come with "
                              "this one");
    case Kind::Cut:
        return QStringLiteral("cut: the device sent %1 units, %2; a row holds %3")
            .arg(ScanKeyString(row.deviceString).units)
            .arg(latin1(row.deviceString))
            .arg(MaxOutputUnits);
    case Kind::UnknownKey:
        return QStringLiteral("unknown key: the device holds the scancode %1, which no key name stands for")
            .arg(latin1(HexGroup(row.scancode)));
    case Kind::KeyMismatch:
    case Kind::StringMismatch:
        return QStringLiteral("device has %1, %2; file has %3, %4")
            .arg(keyText(row.deviceKey), stringText(row.deviceString), keyText(file.key),
                 stringText(file.string));
    default:
        return {};
    }
}

// "write ok, 16/16 rows verified"; with --partial, which rows they were.
QString doneLine(const DeviceJob &job, int good)
{
    const int total = static_cast<int>(job.which.count());
    const QString counted = job.operation == Operation::Read ? QStringLiteral("rows answered")
                            : writes(job.operation)          ? QStringLiteral("rows verified")
                                                             : QStringLiteral("rows match");
    QString line = QStringLiteral("%1 %2, %3/%4 %5")
                       .arg(operationName(job.operation),
                            good == total ? QStringLiteral("ok") : QStringLiteral("FAILED"))
                       .arg(good)
                       .arg(total)
                       .arg(counted);
    if (total < RowCount)
        line += QStringLiteral(" (rows %1; the others were left as they are)").arg(rowRanges(job.which));
    return line;
}

// What a write that stopped half-way left on the device.
QString partialWrite(const DeviceJob &job)
{
    const int acknowledged = job.sent.acknowledged();
    const int total = static_cast<int>(job.which.count());
    if (acknowledged == total)
        return QStringLiteral("all %1 rows were acknowledged, not all verified").arg(total);
    return QStringLiteral(
               "the device acknowledged %1 of %2 rows (and may hold the one after): it is incomplete")
        .arg(acknowledged)
        .arg(total);
}

// The first line of the report, and the exit status and error it stands for.
QString statusLine(const DeviceJob &job, int good, int *exitStatus, QString *error)
{
    const SessionResult &result = job.result;
    const QString name = operationName(job.operation);
    const int total = static_cast<int>(job.which.count());
    switch (result.status) {
    case Status::Done:
        if (identifying(job.operation)) {
            const QString version = versionText(result.version);
            return QStringLiteral("KORVEX, version %1")
                .arg(version.isEmpty() ? QStringLiteral("???") : version);
        }
        *exitStatus = good == total ? ExitStatus::Ok : ExitStatus::RowsFailed;
        if (good != total)
            *error = QStringLiteral("%1 of %2 rows failed").arg(total - good).arg(total);
        return doneLine(job, good);
    case Status::NotAttached:
        *exitStatus = ExitStatus::NoAnswer;
        *error = result.message;
        break;
    case Status::SettingsRefused:
        *exitStatus = ExitStatus::Usage;
        *error = result.message;
        break;
    case Status::PortFailed:
    case Status::Busy:
        *exitStatus = ExitStatus::PortFailed;
        *error = result.message;
        if (writes(job.operation) && job.sent.acknowledged() > 0) {
            const QString written = partialWrite(job);
            *error += QLatin1Char(' ') + written.left(1).toUpper() + written.mid(1) + QLatin1Char('.');
        }
        break;
    case Status::Interrupted:
        *exitStatus = ExitStatus::Interrupted;
        if (!job.started) {
            *error = QStringLiteral("not started: stopped before this device's turn, so it was not touched");
        } else if (writes(job.operation)) {
            *error = QStringLiteral("interrupted: ") + partialWrite(job);
        } else {
            const auto done = std::count_if(result.rows.begin(), result.rows.end(),
                                            [](const RowOutcome &r) { return r.kind != Kind::NotRun; });
            *error = QStringLiteral("interrupted after %1 of %2 rows").arg(done).arg(total);
        }
        return QStringLiteral("%1 %2").arg(name, *error);
    }
    if (job.operation == Operation::List)
        return QStringLiteral("no KORVEX (%1)").arg(*error);
    return QStringLiteral("%1 FAILED: %2").arg(name, *error);
}

QJsonObject rowJson(const DeviceJob &job, int i, const KeyOverride &file)
{
    const RowOutcome &row = job.result.rows[static_cast<std::size_t>(i)];
    const Kind kind = rowKind(job, i);
    const bool read = job.operation == Operation::Read;
    const bool checked = kind == Kind::Match || kind == Kind::KeyMismatch || kind == Kind::StringMismatch ||
                         kind == Kind::NoReply || kind == Kind::NotAcknowledged;
    QJsonObject object{
        {QStringLiteral("row"), i + 1},
        {QStringLiteral("key"), latin1(read ? row.deviceKey : file.key)},
        {QStringLiteral("string"), latin1(read ? row.deviceString : file.string)},
        {QStringLiteral("outcome"), outcomeName(kind)},
        {QStringLiteral("verified"), read || !checked ? QJsonValue() : QJsonValue(kind == Kind::Match)}};
    if (kind == Kind::KeyMismatch || kind == Kind::StringMismatch)
        object.insert(QStringLiteral("device"),
                      QJsonObject{{QStringLiteral("key"), latin1(row.deviceKey)},
                                  {QStringLiteral("string"), latin1(row.deviceString)}});
    return object;
}

} // namespace

bool readIsComplete(const DeviceJob &job)
{
    if (job.result.status != Status::Done)
        return false;
    for (int i = 0; i < RowCount; ++i) {
        if (!rowOk(job, i))
            return false;
    }
    return true;
}

DeviceReport reportFor(const DeviceJob &job, const KeyOverrides &rows, const QString &outputError)
{
    DeviceReport report;
    QStringList details;
    QJsonArray jsonRows;
    int good = 0;
    for (int i = 0; i < RowCount; ++i) {
        if (identifying(job.operation) || !job.which.test(static_cast<std::size_t>(i)))
            continue;
        const KeyOverride &file = rows[static_cast<std::size_t>(i)];
        good += rowOk(job, i) ? 1 : 0;
        const QString problem = rowProblem(job, i, file);
        if (!problem.isEmpty() && job.result.status == Status::Done)
            details << QStringLiteral("  row %1: %2").arg(i + 1).arg(problem);
        jsonRows.append(rowJson(job, i, file));
    }

    QString error;
    QString line = statusLine(job, good, &report.exitStatus, &error);
    if (!outputError.isEmpty()) {
        report.exitStatus = std::max(report.exitStatus, ExitStatus::RowsFailed);
        error = outputError;
        line = QStringLiteral("%1 FAILED: %2").arg(operationName(job.operation), error);
    }
    report.text = QStringLiteral("%1: %2\n").arg(job.target.shown(), line);
    for (const QString &detail : std::as_const(details))
        report.text += detail + QLatin1Char('\n');

    QJsonObject object{
        {QStringLiteral("port"), job.target.port},
        {QStringLiteral("device"), job.target.device},
        {QStringLiteral("operation"), operationName(job.operation)},
        {QStringLiteral("ok"), report.exitStatus == ExitStatus::Ok && job.result.status == Status::Done},
        {QStringLiteral("version"),
         job.result.version.isEmpty() ? QJsonValue() : QJsonValue(versionText(job.result.version))},
        {QStringLiteral("rows"), jsonRows},
        {QStringLiteral("error"), error.isEmpty() ? QJsonValue() : QJsonValue(error)}};
    if (job.operation == Operation::List)
        object.insert(QStringLiteral("answered"), job.result.status == Status::Done);
    report.object = object;
    report.json = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    return report;
}

QString rowRanges(const RowSet &rows)
{
    QStringList ranges;
    for (int i = 0; i < RowCount; ++i) {
        if (!rows.test(std::size_t(i)))
            continue;
        int last = i;
        while (last + 1 < RowCount && rows.test(std::size_t(last + 1)))
            ++last;
        ranges << (last == i ? QString::number(i + 1) : QStringLiteral("%1-%2").arg(i + 1).arg(last + 1));
        i = last;
    }
    return ranges.join(QStringLiteral(", "));
}

RowSet acknowledgedRows(const DeviceJob &job)
{
    RowSet rows;
    for (int i = 0; i < RowCount; ++i)
        rows.set(std::size_t(i), job.sent.rows[std::size_t(i)].acknowledged);
    return rows;
}

QString portLine(const Target &target)
{
    return target.description.isEmpty() ? target.shown() + QLatin1Char('\n')
                                        : QStringLiteral("%1  %2\n").arg(target.shown(), target.description);
}

QByteArray portJson(const Target &target)
{
    const QJsonObject object{{QStringLiteral("port"), target.port},
                             {QStringLiteral("device"), target.device},
                             {QStringLiteral("description"),
                              target.description.isEmpty() ? QJsonValue() : QJsonValue(target.description)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}
