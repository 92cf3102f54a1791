#include "core/SettingsFile.h"

#include "core/IniFile.h"
#include "core/VbNumber.h"

namespace {

const QString CommSection = QStringLiteral("COMSETTINGS");
const QString GeneralSection = QStringLiteral("GENERAL");
const QString PortsSection = QStringLiteral("PORTS");
const QString FilesSection = QStringLiteral("FILES");
const QString PortKey = QStringLiteral("PORT");
const QString BaudKey = QStringLiteral("BAUD");
const QString ParityKey = QStringLiteral("PARITY");
const QString EnableStringsKey = QStringLiteral("ENABLESTRINGS");
const QString LastDirectoryKey = QStringLiteral("LASTDIR");

qint16 readNumber(const QString &path, QStringList &problems, const QString &section, const QString &key,
                  const QString &def)
{
    const QString text = ReadINI(path, section, key, def);
    QString why;
    if (const std::optional<qint16> value = toInt16(text.toLatin1(), &why))
        return *value;
    problems << QStringLiteral("%1 in [%2] of %3: %4; using %5").arg(key, section, path, why, def);
    return static_cast<qint16>(def.toShort());
}

} // namespace

SettingsRead SettingsFile::read() const
{
    SettingsRead read;
    read.unreadable = iniReadProblem(m_path);
    if (!read.unreadable.isEmpty())
        read.problems << read.unreadable +
                             QStringLiteral(
                                 "; the default settings are used, and without its [PORTS] section "
                                 "COMn may be another device");
    AppSettings &settings = read.settings;
    settings.Port = readNumber(m_path, read.problems, CommSection, PortKey, QStringLiteral("1"));
    settings.Baud = ReadINI(m_path, CommSection, BaudKey, QStringLiteral("9600"));
    settings.Parity = ReadINI(m_path, CommSection, ParityKey, QStringLiteral("N"));
    settings.EnableStrings =
        readNumber(m_path, read.problems, GeneralSection, EnableStringsKey, QStringLiteral("0"));
    return read;
}

bool SettingsFile::write(const AppSettings &settings, QString *why) const
{
    return WriteINI(m_path,
                    {{CommSection, PortKey, QString::number(settings.Port)},
                     {CommSection, BaudKey, settings.Baud},
                     {CommSection, ParityKey, settings.Parity},
                     {GeneralSection, EnableStringsKey, QString::number(settings.EnableStrings)}},
                    why);
}

QString SettingsFile::portDevice(int port) const
{
    const QString value =
        ReadINI(m_path, PortsSection, QStringLiteral("COM") + QString::number(port), QString());
    return value.section(QLatin1Char(';'), 0, 0).trimmed();
}

QString SettingsFile::lastDirectory() const
{
    // Folder names are UTF-8 bytes in the file, whatever their script.
    return QString::fromUtf8(ReadINI(m_path, FilesSection, LastDirectoryKey, QString()).toLatin1());
}

void SettingsFile::setLastDirectory(const QString &directory) const
{
    // Only a convenience: a file that cannot be written keeps the old folder.
    WriteINI(m_path, FilesSection, LastDirectoryKey, QString::fromLatin1(directory.toUtf8()));
}
