#include "core/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const QString SettingsFileName = QStringLiteral("Korvex.ini");

// Whether the program may make its settings file in dir.
bool canMakeFilesIn(const QString &dir)
{
    const QFileInfo info(dir);
#ifdef Q_OS_WIN
    // Windows decides by access rights, which the attributes Qt reads do not
    // show: to them a folder under Program Files is writable. Trying is the
    // one sure answer.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("Korvex.XXXXXX.tmp")));
    return info.isDir() && probe.open();
#else
    return info.isDir() && info.isWritable();
#endif
}

} // namespace

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
    const bool besideUsable =
        beside.exists() ? beside.isFile() && beside.isWritable() : canMakeFilesIn(programDir);
    if (besideUsable)
        return beside.filePath();
    return QDir(userConfigDir).filePath(SettingsFileName);
}

QString settingsFilePath()
{
    return settingsFilePath(programDirectory(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
