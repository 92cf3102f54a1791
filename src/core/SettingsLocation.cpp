#include "core/SettingsLocation.h"

#include "core/FileAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString SettingsFileName = QStringLiteral("Korvex.ini");

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
