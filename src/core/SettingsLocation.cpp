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

SettingsFile programSettingsFile(const QString &programDir, const QString &userConfigDir)
{
    const QString mine = QDir(userConfigDir).filePath(SettingsFileName);
    // An installed program never writes into its own directory, even when
    // whoever runs it could (root): the package manager owns that directory
    // and could not remove a file it did not put there.
    const QDir program(programDir);
    if (program.exists(InstalledMarker))
        return SettingsFile(mine);
    // A file there is the operator's, whatever it is: one that cannot be read
    // is reported, never passed over for another that lacks its [PORTS].
    const QFileInfo beside(program.filePath(SettingsFileName));
    if (beside.exists() || beside.isSymLink() || canMakeFilesIn(programDir))
        return SettingsFile(beside.filePath(), mine);
    return SettingsFile(mine);
}

SettingsFile programSettingsFile()
{
    return programSettingsFile(programDirectory(),
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
