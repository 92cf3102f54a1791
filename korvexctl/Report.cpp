#include "Report.h"

#include "Console.h"

#include "keys/KeyStringNotation.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

using Kind = RowOutcome::Kind;
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

// What a device sent for a row, its first units only: a device flooding the
// line sends more than anyone reads.
QString quotedUnits(const QByteArray &notation)
{
    constexpr int Shown = 24;
    qsizetype end = 0;
    for (int unit = 0; unit < Shown && end < notation.size(); ++unit) {
        const qsizetype close = notation.at(end) == '{' ? notation.indexOf('}', end) : -1;
        end = close < 0 ? end + 1 : close + 1;
    }
    return latin1(notation.left(end)) + (end < notation.size() ? QStringLiteral("...") : QString());
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
            .arg(quotedUnits(row.deviceString))
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

// The rows of the job that are not right, by what is wrong with them, in the
// order of Verdict::Kind; and the reason that names them all.
Verdict::Kind rowTrouble(const DeviceJob &job, QString *reason)
{
    const std::pair<Verdict::Kind, QList<Kind>> classes[] = {
        {Verdict::Kind::NotAcknowledged, {Kind::NotAcknowledged}},
        {Verdict::Kind::Cut, {Kind::Cut}},
        {Verdict::Kind::UnknownKey, {Kind::UnknownKey}},
        {Verdict::Kind::NoReply, {Kind::NoReply, Kind::NotRun}},
        {Verdict::Kind::NoReply, {Kind::Unreliable}},
        {Verdict::Kind::RowsDiffer, {Kind::KeyMismatch, Kind::StringMismatch}}};
    const QStringList phrases = {QStringLiteral("not acknowledged"),
                                 QStringLiteral("cut"),
                                 QStringLiteral("with a key no name stands for"),
                                 QStringLiteral("without a reply"),
                                 QStringLiteral("not trusted"),
                                 QStringLiteral("differ")};
    Verdict::Kind first = Verdict::Kind::Ok;
    QStringList parts;
    for (std::size_t c = 0; c < std::size(classes); ++c) {
        RowSet rows;
        for (int i = 0; i < RowCount; ++i) {
            if (job.which.test(std::size_t(i)) && !rowOk(job, i) &&
                classes[c].second.contains(rowKind(job, i)))
                rows.set(std::size_t(i));
        }
        if (rows.none())
            continue;
        if (first == Verdict::Kind::Ok)
            first = classes[c].first;
        const QString phrase = phrases.at(int(c));
        parts << rowsNamed(rows) + u' ' +
                     (phrase == QLatin1String("differ") && rows.count() == 1 ? QStringLiteral("differs")
                                                                             : phrase);
    }
    *reason = parts.join(QStringLiteral("; "));
    return first;
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

QString phaseWord(DeviceJob::Phase phase)
{
    switch (phase) {
    case DeviceJob::Phase::Writing:
        return QStringLiteral("write");
    case DeviceJob::Phase::Verifying:
        return QStringLiteral("verify");
    default:
        return QStringLiteral("probe");
    }
}

Verdict::Kind portKind(const DeviceJob &job)
{
    if (job.waitedOut)
        return Verdict::Kind::WaitExpired;
    switch (job.result.failure) {
    case KorvexError::Kind::PortMissing:
        return Verdict::Kind::PortMissing;
    case KorvexError::Kind::InUse:
        return Verdict::Kind::InUse;
    case KorvexError::Kind::NoPermission:
        return Verdict::Kind::NoPermission;
    case KorvexError::Kind::SettingsRefused: // by the port as it opened: the settings are sound
    case KorvexError::Kind::Other:
        break;
    }
    return Verdict::Kind::PortFailed;
}

// The verdict of a job that did not run to its end.
Verdict unfinished(const DeviceJob &job, bool removed)
{
    const SessionResult &result = job.result;
    Verdict verdict;
    if (removed) {
        const RowSet rows = acknowledgedRows(job);
        verdict.kind = Verdict::Kind::Removed;
        verdict.reason =
            QStringLiteral("removed during %1, %2")
                .arg(phaseWord(job.endedIn),
                     rows.none() ? QStringLiteral("no row new") : rowsNamed(rows) + QStringLiteral(" new"));
        return verdict;
    }
    switch (result.status) {
    case Status::NotAttached:
        verdict.kind = Verdict::Kind::NoAnswer;
        verdict.reason = result.message;
        break;
    case Status::SettingsRefused:
        verdict.kind = Verdict::Kind::SettingsRefused;
        verdict.reason = result.message;
        break;
    case Status::PortFailed:
    case Status::Busy:
        verdict.kind = portKind(job);
        verdict.reason = result.message;
        if (writes(job.operation) && job.sent.acknowledged() > 0) {
            const QString written = partialWrite(job);
            verdict.reason += u' ' + written.left(1).toUpper() + written.mid(1) + u'.';
        }
        break;
    case Status::Interrupted:
        verdict.kind = job.started ? Verdict::Kind::Interrupted : Verdict::Kind::NotStarted;
        if (!job.started) {
            verdict.reason =
                QStringLiteral("not started: stopped before this device's turn, so it was not touched");
        } else if (writes(job.operation)) {
            verdict.reason = partialWrite(job);
        } else if (!identifying(job.operation)) {
            const auto done = std::count_if(result.rows.begin(), result.rows.end(),
                                            [](const RowOutcome &r) { return r.kind != Kind::NotRun; });
            verdict.reason = QStringLiteral("after %1 of %2 rows").arg(done).arg(job.which.count());
        }
        break;
    case Status::Done:
        break;
    }
    return verdict;
}

// "write ok, 16/16 rows verified"; with --partial, which rows they were.
QString doneLine(const DeviceJob &job, const Verdict &verdict)
{
    if (identifying(job.operation)) {
        const QString version = versionText(job.result.version);
        return QStringLiteral("KORVEX, version %1").arg(version.isEmpty() ? QStringLiteral("???") : version);
    }
    const int total = static_cast<int>(job.which.count());
    const int good = static_cast<int>(verdict.good.count());
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

// The first line of the report.
QString statusLine(const DeviceJob &job, const Verdict &verdict)
{
    const QString name = operationName(job.operation);
    switch (verdict.kind) {
    case Verdict::Kind::FileProblem:
        return QStringLiteral("%1 FAILED: %2").arg(name, verdict.reason);
    case Verdict::Kind::Interrupted:
        return verdict.reason.isEmpty() ? name + QStringLiteral(" interrupted")
                                        : QStringLiteral("%1 interrupted: %2").arg(name, verdict.reason);
    case Verdict::Kind::NotStarted:
        return QStringLiteral("%1 %2").arg(name, verdict.reason);
    default:
        break;
    }
    if (job.result.status == Status::Done)
        return doneLine(job, verdict);
    if (job.operation == Operation::List)
        return QStringLiteral("no KORVEX (%1)").arg(verdict.reason);
    return QStringLiteral("%1 FAILED: %2").arg(name, verdict.reason);
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

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

int Verdict::exitStatus() const
{
    switch (kind) {
    case Kind::Ok:
        return ExitStatus::Ok;
    case Kind::NoAnswer:
        return ExitStatus::NoAnswer;
    case Kind::SettingsRefused:
        return ExitStatus::Usage;
    case Kind::PortMissing:
    case Kind::InUse:
    case Kind::NoPermission:
    case Kind::PortFailed:
    case Kind::WaitExpired:
        return ExitStatus::PortFailed;
    case Kind::Interrupted:
    case Kind::NotStarted:
        return ExitStatus::Interrupted;
    default:
        return ExitStatus::RowsFailed;
    }
}

QString Verdict::name() const
{
    static const char *const Names[] = {
        "ok",           "not-acknowledged", "cut",           "unknown-key", "no-reply",
        "rows-differ",  "file-problem",     "removed",       "no-answer",   "settings-refused",
        "port-missing", "in-use",           "no-permission", "port-failed", "wait-expired",
        "interrupted",  "not-started"};
    return QLatin1String(Names[static_cast<int>(kind)]);
}

Verdict verdictFor(const DeviceJob &job, const QString &outputError, bool removed)
{
    Verdict verdict = job.result.status == Status::Done ? Verdict() : unfinished(job, removed);
    if (job.result.status == Status::Done && !identifying(job.operation)) {
        for (int i = 0; i < RowCount; ++i)
            verdict.good.set(std::size_t(i), job.which.test(std::size_t(i)) && rowOk(job, i));
        verdict.kind = rowTrouble(job, &verdict.reason);
    }
    if (verdict.ok() && !outputError.isEmpty()) {
        verdict.kind = Verdict::Kind::FileProblem;
        verdict.reason = outputError;
    }
    return verdict;
}

QByteArray DeviceReport::text() const
{
    QByteArray text = terminalText(oneLine(line)) + '\n';
    for (const QString &detail : details)
        text += terminalText(oneLine(detail)) + '\n';
    return text;
}

QByteArray DeviceReport::json() const
{
    return jsonLine(object);
}

DeviceReport reportFor(const DeviceJob &job, const KeyOverrides &rows, const Verdict &verdict)
{
    DeviceReport report;
    report.verdict = verdict;
    QJsonArray jsonRows;
    for (int i = 0; i < RowCount; ++i) {
        if (identifying(job.operation) || !job.which.test(static_cast<std::size_t>(i)))
            continue;
        const KeyOverride &file = rows[static_cast<std::size_t>(i)];
        const QString problem = rowProblem(job, i, file);
        if (!problem.isEmpty() && job.result.status == Status::Done)
            report.details << QStringLiteral("  row %1: %2").arg(i + 1).arg(problem);
        jsonRows.append(rowJson(job, i, file));
    }
    report.line = QStringLiteral("%1: %2").arg(job.target.shown(), statusLine(job, verdict));
    const QByteArray version = job.result.version.isEmpty() ? job.version : job.result.version;
    report.object =
        QJsonObject{{QStringLiteral("port"), job.target.port},
                    {QStringLiteral("device"), job.target.device},
                    {QStringLiteral("operation"), operationName(job.operation)},
                    {QStringLiteral("ok"), verdict.ok()},
                    {QStringLiteral("version"), orNull(versionText(version))},
                    {QStringLiteral("rows"), jsonRows},
                    {QStringLiteral("error"), orNull(verdict.reason)},
                    {QStringLiteral("failure"), verdict.ok() ? QJsonValue() : QJsonValue(verdict.name())},
                    {QStringLiteral("exit"), verdict.exitStatus()}};
    if (job.operation == Operation::List)
        report.object.insert(QStringLiteral("answered"), job.result.status == Status::Done);
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

QString rowsNamed(const RowSet &rows)
{
    return (rows.count() == 1 ? QStringLiteral("row ") : QStringLiteral("rows ")) + rowRanges(rows);
}

RowSet acknowledgedRows(const DeviceJob &job)
{
    RowSet rows;
    for (int i = 0; i < RowCount; ++i)
        rows.set(std::size_t(i), job.sent.rows[std::size_t(i)].acknowledged);
    return rows;
}

QString versionText(const QByteArray &reply)
{
    QByteArray version = reply;
    while (version.endsWith('\n') || version.endsWith('\r'))
        version.chop(1);
    return latin1(version);
}

QByteArray jsonLine(const QJsonObject &object)
{
    // JSON's text is ASCII outside its strings: a C1 control is the two bytes
    // C2 80 to C2 9F only inside one.
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray line;
    line.reserve(json.size() + 1);
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<quint8>(json.at(i));
        const auto next = i + 1 < json.size() ? static_cast<quint8>(json.at(i + 1)) : 0;
        if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            line += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            line += char(byte);
        }
    }
    return line + '\n';
}

QString portLine(const Target &target)
{
    return target.description.isEmpty() ? target.shown()
                                        : QStringLiteral("%1  %2").arg(target.shown(), target.description);
}

QJsonObject portObject(const Target &target)
{
    return QJsonObject{{QStringLiteral("port"), target.port},
                       {QStringLiteral("device"), target.device},
                       {QStringLiteral("description"), orNull(target.description)}};
}
