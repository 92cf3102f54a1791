#pragma once

#include "SimDevices.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QtTest>

#include <memory>

// The Windows programs under Wine, run from this (Linux) side so that the
// simulated devices can be native processes on pseudo-terminals. Set by
// script/test-windows:
//   WINEPREFIX                a prefix of its own
//   KORVEX_WINE_PROGRAMS      the folder of korvexctl.exe and KORVEXConfig.exe
//                             (the unpacked zip), with its DLLs and plugins
//   KORVEX_WINE_PROBE         tests/korvex-window-probe.exe of the Windows build
//   KORVEX_WINE_PORTS         the folder of the links COM1 ... COM4 stand for
//                             (the prefix's Ports key names them)
namespace WineRig {

inline bool configured()
{
    return !qEnvironmentVariable("WINEPREFIX").isEmpty() &&
           QFileInfo::exists(qEnvironmentVariable("KORVEX_WINE_PROGRAMS")) &&
           QFileInfo::exists(qEnvironmentVariable("KORVEX_WINE_PORTS"));
}

// A Linux path as a program in the prefix names it.
inline QString windowsPath(const QString &path)
{
    return QStringLiteral("Z:") +
           QFileInfo(path).absoluteFilePath().replace(QLatin1Char('/'), QLatin1Char('\\'));
}

// A Windows program finds its DLLs and plugins beside itself, or (the probe)
// in the programs' folder; Wine hands no QT_ variable on to it, and turns its
// command line into Windows text in the Unix locale's encoding.
inline void prepare(QProcess &process)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("WINEPATH"), windowsPath(qEnvironmentVariable("KORVEX_WINE_PROGRAMS")));
    process.setProcessEnvironment(environment);
}

inline std::unique_ptr<QProcess> start(const QString &exe, const QStringList &args)
{
    auto process = std::make_unique<QProcess>();
    prepare(*process);
    process->start(QStringLiteral("wine"), QStringList{exe} + args);
    return process;
}

// Simulated devices as COM1, COM2 ... of the prefix, and korvexctl.exe.
struct Ports : Devices
{
    explicit Ports(const QStringList &faults) : Devices(faults, qEnvironmentVariable("KORVEX_WINE_PORTS"))
    {
        program = QStringList{
            QStringLiteral("wine"),
            QDir(qEnvironmentVariable("KORVEX_WINE_PROGRAMS")).filePath(QStringLiteral("korvexctl.exe"))};
        pathFor = windowsPath;
        prepare = WineRig::prepare;
    }
};

} // namespace WineRig
