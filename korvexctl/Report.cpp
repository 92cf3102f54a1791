#include "Report.h"

#include "keys/KeyStringNotation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Kind = RowOutcome::Kind;

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

// Why a row is not right, or nothing when it is.
QString rowProblem(Request::Operation operation, const DeviceJob &job, int i, const CfgRow &file)
{
    const RowOutcome &sent = job.sent.rows[static_cast<std::size_t>(i)];
    const RowOutcome &row = job.result.rows[static_cast<std::size_t>(i)];
    if (operation == Request::Operation::Write && sent.kind == Kind::NotAcknowledged)
        return QStringLiteral("not acknowledged (%1)").arg(latin1(BytesAsNotation(sent.reply)));
    switch (row.kind) {
    case Kind::NoReply:
        return QStringLiteral("no reply");
    case Kind::KeyMismatch:
    case Kind::StringMismatch:
        return QStringLiteral("device has %1, %2; file has %3, %4")
            .arg(keyText(row.deviceKey), stringText(row.deviceString), keyText(file.key),
                 stringText(file.string));
    default:
        return {};
    }
}

} // namespace

DeviceReport reportFor(const DeviceJob &job, const CfgRows &rows)
{
    DeviceReport report;
    const SessionResult &result = job.result;
    const Request::Operation operation = job.operation;
    const QString name = operationName(operation);
    const bool identifying =
        operation == Request::Operation::List || operation == Request::Operation::Version;
    const QString version = latin1(result.version).trimmed();

    QStringList details;
    QJsonArray jsonRows;
    int good = 0;
    for (int i = 0; i < RowCount; ++i) {
        const RowOutcome &row = result.rows[static_cast<std::size_t>(i)];
        const CfgRow &cfg = rows[static_cast<std::size_t>(i)];
        const QString problem = rowProblem(operation, job, i, cfg);
        const bool checked = row.kind == Kind::Match || row.kind == Kind::KeyMismatch ||
                             row.kind == Kind::StringMismatch || row.kind == Kind::NoReply;
        const bool rowOk =
            problem.isEmpty() &&
            (operation == Request::Operation::Read ? row.kind == Kind::Read : row.kind == Kind::Match);
        good += rowOk ? 1 : 0;
        if (!problem.isEmpty() && result.status == SessionResult::Status::Done)
            details << QStringLiteral("  row %1: %2").arg(i + 1).arg(problem);
        QJsonObject object{{QStringLiteral("row"), i + 1},
                           {QStringLiteral("key"), latin1(cfg.key)},
                           {QStringLiteral("string"), latin1(cfg.string)},
                           {QStringLiteral("verified"), operation == Request::Operation::Read || !checked
                                                            ? QJsonValue()
                                                            : QJsonValue(row.kind == Kind::Match)}};
        if (row.kind == Kind::KeyMismatch || row.kind == Kind::StringMismatch)
            object.insert(QStringLiteral("device"),
                          QJsonObject{{QStringLiteral("key"), latin1(row.deviceKey)},
                                      {QStringLiteral("string"), latin1(row.deviceString)}});
        if (!identifying)
            jsonRows.append(object);
    }

    QString line;
    QString error;
    switch (result.status) {
    case SessionResult::Status::Done:
        if (identifying) {
            line =
                QStringLiteral("KORVEX, version %1").arg(version.isEmpty() ? QStringLiteral("???") : version);
        } else {
            const bool ok = good == RowCount;
            report.exitStatus = ok ? ExitStatus::Ok : ExitStatus::RowsFailed;
            const QString counted =
                operation == Request::Operation::Read    ? QStringLiteral("%1/16 rows answered")
                : operation == Request::Operation::Write ? QStringLiteral("%1/16 rows verified")
                                                         : QStringLiteral("%1/16 rows match");
            line = QStringLiteral("%1 %2, %3")
                       .arg(name, ok ? QStringLiteral("ok") : QStringLiteral("FAILED"), counted.arg(good));
            if (!ok)
                error = QStringLiteral("%1 of 16 rows failed").arg(RowCount - good);
        }
        break;
    case SessionResult::Status::NotAttached:
        report.exitStatus = ExitStatus::NoAnswer;
        error = result.message;
        // The session knows ports as COMn only; a device named by its path
        // is named so.
        if (job.target.com == 0 && error.startsWith(QLatin1String("KORVEX not responsing on port ")))
            error = QStringLiteral("KORVEX not responsing on ") + job.target.device;
        line = QStringLiteral("%1 FAILED: %2").arg(name, error);
        break;
    case SessionResult::Status::PortFailed:
    case SessionResult::Status::Refused:
        report.exitStatus = ExitStatus::PortFailed;
        error = result.message;
        line = QStringLiteral("%1 FAILED: %2").arg(name, error);
        break;
    case SessionResult::Status::Interrupted: {
        report.exitStatus = ExitStatus::Interrupted;
        const SessionResult &sentOrRun = operation == Request::Operation::Write ? job.sent : result;
        const auto done = std::count_if(sentOrRun.rows.begin(), sentOrRun.rows.end(),
                                        [](const RowOutcome &r) { return r.kind != Kind::NotRun; });
        error =
            operation == Request::Operation::Write
                ? QStringLiteral("interrupted after %1 of 16 rows sent: the device is incomplete").arg(done)
                : QStringLiteral("interrupted after %1 of 16 rows").arg(done);
        line = QStringLiteral("%1 %2").arg(name, error);
        break;
    }
    }
    if (operation == Request::Operation::List && result.status != SessionResult::Status::Done)
        line = QStringLiteral("no KORVEX (%1)").arg(error);

    report.text = (QStringLiteral("%1: %2\n").arg(job.target.shown(), line) +
                   (details.isEmpty() ? QString() : details.join(QLatin1Char('\n')) + QLatin1Char('\n')))
                      .toUtf8();
    QJsonObject object{{QStringLiteral("port"), job.target.port},
                       {QStringLiteral("device"), job.target.device},
                       {QStringLiteral("operation"), name},
                       {QStringLiteral("ok"),
                        report.exitStatus == ExitStatus::Ok && result.status == SessionResult::Status::Done},
                       {QStringLiteral("version"),
                        result.version.isEmpty() ? QJsonValue() : QJsonValue(latin1(result.version))},
                       {QStringLiteral("rows"), jsonRows},
                       {QStringLiteral("error"), error.isEmpty() ? QJsonValue() : QJsonValue(error)}};
    if (operation == Request::Operation::List)
        object.insert(QStringLiteral("answered"), result.status == SessionResult::Status::Done);
    report.json = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    return report;
}
