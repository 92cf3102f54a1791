#pragma once

#include "SimProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

#include <memory>
#include <vector>

// The Windows programs under Wine, run from this (Linux) side so that the
// simulated devices can be native processes on pseudo-terminals. Set by
// script/test-windows:
//   WINEPREFIX                a prefix of its own
//   KORVEX_WINE_PROGRAMS      the folder of korvexctl.exe and KORVEXConfig.exe
//                             (the unpacked zip), with its DLLs and plugins
//   KORVEX_WINE_PROBE         tests/korvex-window-probe.exe of the Windows build
//   KORVEX_WINE_PORTS         the folder of the links COM1 ... COM4 stand for
namespace WineRig {

constexpr int WaitMs = 60000;

inline QString env(const char *name)
{
    return qEnvironmentVariable(name);
}

inline bool configured()
{
    return !env("WINEPREFIX").isEmpty() && QFileInfo::exists(env("KORVEX_WINE_PROGRAMS")) &&
           QFileInfo::exists(env("KORVEX_WINE_PORTS"));
}

// A Linux path as a program in the prefix names it.
inline QString windowsPath(const QString &path)
{
    return QStringLiteral("Z:") +
           QFileInfo(path).absoluteFilePath().replace(QLatin1Char('/'), QLatin1Char('\\'));
}

inline QString program(const QString &name)
{
    return QDir(env("KORVEX_WINE_PROGRAMS")).filePath(name);
}

// Starts a Windows program under Wine; it finds its DLLs and plugins beside
// itself, or (the probe) in the programs' folder. (Wine hands no QT_
// variable on to a Windows program.)
inline std::unique_ptr<QProcess> start(const QString &exe, const QStringList &args)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // Wine turns the command line into Windows text in the Unix locale's
    // encoding: UTF-8, whatever the test runs in.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("WINEPATH"), windowsPath(env("KORVEX_WINE_PROGRAMS")));
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral("wine"), QStringList{exe} + args);
    return process;
}

// Simulated devices as COM1, COM2 ... of the prefix, each with its own
// faults; each logs what it receives. The prefix has COMn registered as the
// link KORVEX_WINE_PORTS/comN (Wine's own way to name a port: its Ports
// key), and each simulator makes that link to its terminal while it runs.
struct Ports
{
    explicit Ports(const QStringList &faults)
    {
        for (int i = 0; i < faults.size(); ++i) {
            const QString link = QDir(env("KORVEX_WINE_PORTS")).filePath(QStringLiteral("com%1").arg(i + 1));
            sims.push_back(std::make_unique<SimProcess>(
                QStringList{QStringLiteral("--log"), QStringLiteral("--link"), link} +
                faults.at(i).split(u' ', Qt::SkipEmptyParts)));
            ok = !sims.back()->path().isEmpty() && ok;
        }
    }
    // Something has been received by device n (from 1).
    bool heard(int n) { return sims[std::size_t(n - 1)]->log().contains("<-"); }

    std::vector<std::unique_ptr<SimProcess>> sims; // COM1, COM2 ...
    bool ok = true;
};

} // namespace WineRig
