#include "core/SettingsFile.h"

#include "core/ComPort.h"
#include "core/DecimalNumber.h"
#include "core/IniFile.h"
#include "core/NearestName.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString CommSection = QStringLiteral("COMSETTINGS");
const QString GeneralSection = QStringLiteral("GENERAL");
const QString PortsName = QStringLiteral("PORTS");
const QString FilesSection = QStringLiteral("FILES");
const QStringList Sections = {CommSection, GeneralSection, PortsName, FilesSection};
const QString PortKey = QStringLiteral("PORT");
const QString BaudKey = QStringLiteral("BAUD");
const QString ParityKey = QStringLiteral("PARITY");
const QString EnableStringsKey = QStringLiteral("ENABLESTRINGS");
const QString LastDirectoryKey = QStringLiteral("LASTDIR");

bool isSection(const QString &name, const QString &section)
{
    return name.compare(section, Qt::CaseInsensitive) == 0;
}

// Why a line cannot be what it stands in, or nothing when it can. Only what
// could change which device a COMn is counts: a section header the reader
// would pass over, or take for another section than the one meant, and the
// lines of [PORTS] themselves.
QString lineProblem(const IniLineView &line, bool inPorts, const std::map<int, QString> &mapped)
{
    using Kind = IniLineView::Kind;
    switch (line.kind) {
    case Kind::UnclosedSection:
        return QStringLiteral("a section name needs its closing \"]\"");
    case Kind::Section:
        if (std::none_of(Sections.begin(), Sections.end(),
                         [&](const QString &s) { return isSection(line.name, s); })) {
            const QString meant = nearestName(line.name, Sections);
            if (!meant.isEmpty())
                return QStringLiteral("no section is called [%1]; did you mean [%2]?").arg(line.name, meant);
        }
        return {};
    case Kind::Entry:
        if (!inPorts)
            return {};
        if (const std::optional<int> n = parseComPort(line.name)) {
            if (line.value.section(QLatin1Char(';'), 0, 0).trimmed().isEmpty())
                return QStringLiteral("%1 names no device").arg(comPortName(*n));
            if (mapped.count(*n))
                return QStringLiteral("%1 is named twice").arg(comPortName(*n));
            return {};
        }
        return QStringLiteral("\"%1\" is no port: COM1 ... COM%2, without leading zeros")
            .arg(line.name)
            .arg(LastComPort);
    case Kind::Other:
        return inPorts ? QStringLiteral("expected COMn=device") : QString();
    case Kind::Ignored:
        break;
    }
    return {};
}

// The [PORTS] lines of one file, and the problems of every line that might
// have been meant for it.
void readPorts(const QString &path, PortsSection &ports)
{
    bool inPorts = false;
    std::map<int, QString> mine;
    const QString shown = QDir::toNativeSeparators(path);
    for (const IniLineView &line : readIniLines(path)) {
        if (line.kind == IniLineView::Kind::Section)
            inPorts = isSection(line.name, PortsName);
        const QString problem = lineProblem(line, inPorts, mine);
        if (!problem.isEmpty()) {
            ports.problems << QStringLiteral("%1: line %2: \"%3\": %4")
                                  .arg(shown)
                                  .arg(line.number)
                                  .arg(line.text, problem);
            continue;
        }
        if (inPorts && line.kind == IniLineView::Kind::Entry)
            mine[*parseComPort(line.name)] = line.value.section(QLatin1Char(';'), 0, 0).trimmed();
    }
    // The file read first wins: this one only adds the ports it alone names.
    ports.devices.insert(mine.begin(), mine.end());
}

qint16 readNumber(const QString &text, const QString &path, QStringList &problems, const QString &section,
                  const QString &key, const QString &def)
{
    QString why;
    if (const std::optional<qint16> value = toInt16(text.toLatin1(), &why))
        return *value;
    problems << QStringLiteral("%1 in [%2] of %3: %4; using %5")
                    .arg(key, section, QDir::toNativeSeparators(path), why, def);
    return static_cast<qint16>(def.toShort());
}

bool hasFile(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && (info.exists() || info.isSymLink());
}

} // namespace

QString SettingsFile::value(const QString &section, const QString &key, const QString &def) const
{
    if (!m_userPath.isEmpty()) {
        if (const std::optional<QString> mine = readIniValue(m_userPath, section, key))
            return *mine;
    }
    return ReadINI(m_path, section, key, def);
}

SettingsRead SettingsFile::read() const
{
    SettingsRead read;
    for (const QString &file : {m_userPath, m_path}) {
        if (file.isEmpty())
            continue;
        const QString problem = iniReadProblem(file);
        if (problem.isEmpty())
            continue;
        read.unreadable = read.unreadable.isEmpty() ? problem : read.unreadable;
        read.problems << problem + QStringLiteral(
                                       "; the default settings are used, and without its [PORTS] section "
                                       "COMn may be another device");
    }
    AppSettings &settings = read.settings;
    // Which file a value came from, for the problem that names it.
    const auto from = [this](const QString &section, const QString &key) {
        return !m_userPath.isEmpty() && readIniValue(m_userPath, section, key) ? m_userPath : m_path;
    };
    settings.Port = readNumber(value(CommSection, PortKey, QStringLiteral("1")), from(CommSection, PortKey),
                               read.problems, CommSection, PortKey, QStringLiteral("1"));
    settings.Baud = value(CommSection, BaudKey, QStringLiteral("9600"));
    settings.Parity = value(CommSection, ParityKey, QStringLiteral("N"));
    settings.EnableStrings = readNumber(value(GeneralSection, EnableStringsKey, QStringLiteral("0")),
                                        from(GeneralSection, EnableStringsKey), read.problems, GeneralSection,
                                        EnableStringsKey, QStringLiteral("0"));
    read.ports = ports();
    read.problems << read.ports.problems;
    return read;
}

bool SettingsFile::write(const AppSettings &settings, QString *why, QString *savedTo) const
{
    const QList<IniEntry> entries{
        {CommSection, PortKey, QString::number(settings.Port)},
        {CommSection, BaudKey, settings.Baud},
        {CommSection, ParityKey, settings.Parity},
        {GeneralSection, EnableStringsKey, QString::number(settings.EnableStrings)}};
    if (savedTo)
        savedTo->clear();
    QString besideWhy;
    if (WriteINI(m_path, entries, &besideWhy)) {
        // Values this user saved before, while the file could not be written,
        // would still win over these: they are brought up to date too.
        if (hasFile(m_userPath) && !WriteINI(m_userPath, entries, why))
            return false;
        return true;
    }
    if (m_userPath.isEmpty()) {
        *why = besideWhy;
        return false;
    }
    if (!WriteINI(m_userPath, entries, why)) {
        *why = besideWhy + QStringLiteral("; and ") + *why;
        return false;
    }
    if (savedTo)
        *savedTo = m_userPath;
    return true;
}

PortsSection SettingsFile::ports() const
{
    PortsSection ports;
    for (const QString &file : {m_userPath, m_path}) {
        if (!file.isEmpty())
            readPorts(file, ports);
    }
    return ports;
}

QString SettingsFile::lastDirectory() const
{
    // Folder names are UTF-8 bytes in the file, whatever their script.
    return QString::fromUtf8(value(FilesSection, LastDirectoryKey, QString()).toLatin1());
}

void SettingsFile::setLastDirectory(const QString &directory) const
{
    // Only a convenience: a file that cannot be written keeps the old folder.
    const QString stored = QString::fromLatin1(directory.toUtf8());
    const bool beside = WriteINI(m_path, FilesSection, LastDirectoryKey, stored);
    if (!m_userPath.isEmpty() && (!beside || hasFile(m_userPath)))
        WriteINI(m_userPath, FilesSection, LastDirectoryKey, stored);
}
