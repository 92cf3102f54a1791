#include "core/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString SettingsFileName = QStringLiteral("Korvex.ini");
}

const QString InstalledMarker = QStringLiteral("INSTALLED");

QString programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString settingsFilePath(const QString &programDir, const QString &userConfigDir)
{
    // An installed program never writes into its own directory, even when
    // whoever runs it could (root): the package manager owns that directory
    // and could not remove a file it did not put there.
    const QDir program(programDir);
    if (program.exists(InstalledMarker))
        return QDir(userConfigDir).filePath(SettingsFileName);
    const QFileInfo beside(program.filePath(SettingsFileName));
    const QFileInfo dir(programDir);
    const bool besideUsable =
        beside.exists() ? beside.isFile() && beside.isWritable() : dir.isDir() && dir.isWritable();
    if (besideUsable)
        return beside.filePath();
    return QDir(userConfigDir).filePath(SettingsFileName);
}

QString settingsFilePath()
{
    return settingsFilePath(programDirectory(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
