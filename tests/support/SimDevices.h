#pragma once

#include "SimProcess.h"
#include "TestFiles.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

// korvexctl run as an operator runs it, against simulated devices.

constexpr int WaitMs = 60000;

// Rows 1, 2, 5 and 16 set, with bytes a line that is not raw would
// translate, swallow or act on: CR, LF, ^C, XON, XOFF, ESC, DEL and 8-bit;
// every other row named empty.
inline QByteArray rows()
{
    QByteArray file = "#written by hand\n01\tF1\t{C7}{11}{13}{03}{7F}\tfirst\n02\tA\tAB\n"
                      "05\tESC\t{0D}{0A}{1B}[A{FF}\n16\tF12\t{80}xyz\n";
    for (int row : {3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})
        file += QByteArray::number(row).rightJustified(2, '0') + "\t\t\n";
    return file;
}

// The whole text matches pattern, "." matching line ends too.
inline bool matches(const QString &pattern, const QByteArray &text)
{
    return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
        .match(QString::fromUtf8(text))
        .hasMatch();
}

struct Run
{
    int exit = -1;
    QByteArray out;
    QByteArray err;
};

// Simulated devices, each on its own pseudo-terminal and mapped as COM1,
// COM2 ... in a settings file of their own; each logs what it receives. In a
// device's options STATE names a state file holding row 2 as key A, string A,
// and DIR the settings' folder.
//
// korvexctl is the Linux build; tests/wine points program at korvexctl.exe
// under Wine, has each simulator make the link linkDir/comN that the prefix
// calls COMn, and names the files korvexctl is given as the prefix sees them.
struct Devices
{
    explicit Devices(const QStringList &faults, const QString &linkDir = {})
    {
        const QString state = writeFile(dir.filePath(QStringLiteral("state")), "1 1C 41\n");
        for (int i = 0; i < faults.size(); ++i) {
            QStringList args = QStringList{QStringLiteral("--log")} +
                               faults.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (!linkDir.isEmpty())
                args << QStringLiteral("--link") << QStringLiteral("%1/com%2").arg(linkDir).arg(i + 1);
            args.replaceInStrings(QStringLiteral("STATE"), state);
            args.replaceInStrings(QStringLiteral("DIR"), dir.path());
            sims.push_back(std::make_unique<SimProcess>(args));
            ok = sims.back()->mapAs(i + 1, ini()) && ok;
        }
    }
    QString ini() const { return dir.filePath(QStringLiteral("Korvex.ini")); }
    // A file of these bytes in the settings' folder; none when there are none.
    QString file(const QString &name, const QByteArray &bytes = {}) const
    {
        return bytes.isEmpty() ? dir.filePath(name) : writeFile(dir.filePath(name), bytes);
    }
    // limits: ulimit's options for korvexctl ("-n 32": the descriptors it may
    // open, "-f 1": the blocks a file may grow to), none when empty.
    std::unique_ptr<QProcess> start(const QStringList &args, const QString &limits = {},
                                    const std::function<void(QProcess &)> &setUp = {}) const
    {
        auto process = std::make_unique<QProcess>();
        if (prepare)
            prepare(*process);
        if (setUp)
            setUp(*process);
        QStringList command = program + args;
        if (settingsInEnvironment) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("KORVEX_SETTINGS"), ini());
            process->setProcessEnvironment(env);
        } else {
            command = program + QStringList{QStringLiteral("--settings"), ini()} + args;
        }
        for (QString &arg : command) {
            if (pathFor && arg.startsWith(dir.path()))
                arg = pathFor(arg);
        }
        if (!limits.isEmpty())
            process->start(QStringLiteral("sh"),
                           QStringList{QStringLiteral("-c"),
                                       QStringLiteral("ulimit %1 && exec \"$@\"").arg(limits),
                                       QStringLiteral("sh")} +
                               command);
        else
            process->start(command.first(), command.mid(1));
        return process;
    }
    // Standard output to a file, standard input from one, when named.
    Run run(const QStringList &args, const QString &limits = {}, const QString &standardOutput = {},
            const QString &standardInput = {}) const
    {
        auto process = start(args, limits, [&](QProcess &p) {
            if (!standardOutput.isEmpty())
                p.setStandardOutputFile(standardOutput);
            if (!standardInput.isEmpty())
                p.setStandardInputFile(standardInput);
        });
        process->waitForFinished(WaitMs);
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                process->readAllStandardOutput(), process->readAllStandardError()};
    }
    // No device has been sent a byte.
    bool quiet()
    {
        return std::none_of(sims.begin(), sims.end(), [](auto &sim) { return sim->log().contains("<-"); });
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims; // COM1, COM2 ...
    bool ok = true;
    QStringList program{QStringLiteral(KORVEXCTL_PATH)};
    std::function<QString(const QString &)> pathFor;
    std::function<void(QProcess &)> prepare;
    bool settingsInEnvironment = false; // KORVEX_SETTINGS names them, not --settings
};
