#pragma once

#include "SimDevices.h"

// korvexctl station run as an operator runs it, with rows() for its file and
// its records in station.log of the settings' folder unless options give
// --log: what it prints, gathered as it comes, and the units it ended, as its
// lines and as the records of its log.
struct StationRun
{
    // limits and setUp as Devices::start takes them.
    StationRun(Devices &devices, const QStringList &options, const QString &limits = {},
               const std::function<void(QProcess &)> &setUp = {})
        : devices(devices)
    {
        cfg = devices.file(QStringLiteral("rows.cfg"), rows());
        const qsizetype logged = options.indexOf(QStringLiteral("--log"));
        logFile =
            logged < 0 ? devices.dir.filePath(QStringLiteral("station.log")) : options.value(logged + 1);
        process = devices.start(QStringList{QStringLiteral("station"), cfg, QStringLiteral("--log"), logFile,
                                            QStringLiteral("--settle"), QStringLiteral("50")} +
                                    options,
                                limits, setUp);
        QObject::connect(process.get(), &QProcess::readyReadStandardOutput,
                         [this] { out += process->readAllStandardOutput(); });
        QObject::connect(process.get(), &QProcess::readyReadStandardError,
                         [this] { err += process->readAllStandardError(); });
        // Only once it watches.
        QTRY_VERIFY_WITH_TIMEOUT(err.contains("watching"), WaitMs);
    }
    QString log() const { return logFile; }
    // The lines of units that ended, in order: "name PASS" or "name FAIL: why".
    QStringList units() const
    {
        QStringList seen;
        for (const QString &line : QString::fromUtf8(out).split(u'\n')) {
            const QRegularExpressionMatch unit =
                QRegularExpression(
                    QStringLiteral("^#\\d+ \\d\\d:\\d\\d:\\d\\d (\\S+) \\S.* (PASS|FAIL|INTERRUPTED)(.*)$"))
                    .match(line);
            if (unit.hasMatch())
                seen << unit.captured(1) + u' ' + unit.captured(2) + unit.captured(3);
        }
        return seen;
    }
    // Each record of the log: "name result".
    QStringList records() const
    {
        QStringList seen;
        for (const QByteArray &line : readFile(log()).split('\n')) {
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            if (!record.isEmpty())
                seen << record[QStringLiteral("name")].toString() + u' ' +
                            record[QStringLiteral("result")].toString();
        }
        return seen;
    }
    int finish()
    {
        process->waitForFinished(WaitMs);
        out += process->readAllStandardOutput();
        err += process->readAllStandardError();
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }

    Devices &devices;
    QString cfg;
    QString logFile;
    std::unique_ptr<QProcess> process;
    QByteArray out;
    QByteArray err;
};
