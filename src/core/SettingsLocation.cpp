#include "core/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString SettingsFileName = QStringLiteral("Korvex.ini");
}

QString programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString settingsFilePath(const QString &programDir, const QString &userConfigDir)
{
    const QFileInfo beside(QDir(programDir).filePath(SettingsFileName));
    const QFileInfo dir(programDir);
    const bool besideUsable = beside.exists() ? beside.isFile() && beside.isWritable()
                                              : dir.isDir() && dir.isWritable();
    if (besideUsable)
        return beside.filePath();
    return QDir(userConfigDir).filePath(SettingsFileName);
}

QString settingsFilePath()
{
    return settingsFilePath(programDirectory(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
