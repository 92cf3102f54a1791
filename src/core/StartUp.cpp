#include "core/StartUp.h"

#include "core/AppSettings.h"
#include "core/IniFile.h"
#include "core/KeyTable.h"
#include "core/KorvexError.h"
#include "core/MainModel.h"
#include "core/Prompter.h"
#include "core/VbNumber.h"

namespace {

const QString StartUpError = QStringLiteral("Error detected - ");

qint16 readNumber(Prompter &prompter, const QString &iniPath, const QString &section, const QString &key,
                  const QString &def)
{
    const QString text = ReadINI(iniPath, section, key, def);
    QString why;
    if (const std::optional<qint16> value = toInt16(text.toLatin1(), &why))
        return *value;
    prompter.message(StartUpError + QStringLiteral("%1 in [%2] of %3: %4; using %5").arg(key, section, iniPath, why, def));
    return static_cast<qint16>(def.toShort());
}

// Runs one step; a failure is reported and the sequence goes on.
void runStep(Prompter &prompter, const std::function<void()> &step)
{
    try {
        step();
    } catch (const KorvexError &error) {
        prompter.message(StartUpError + error.description());
    }
}

} // namespace

void FormLoad(MainModel &model, Prompter &prompter, const QString &iniPath,
              const std::function<void()> &setupCommPort)
{
    AppSettings.CurrentFile.clear();
    model.setText(MainModel::Text::Caption, QStringLiteral("KORVEX CONFIG") + QStringLiteral(" v") + ProgramVersion);

    const QString comm = QStringLiteral("COMSETTINGS");
    AppSettings.Port = readNumber(prompter, iniPath, comm, QStringLiteral("PORT"), QStringLiteral("1"));
    AppSettings.Baud = ReadINI(iniPath, comm, QStringLiteral("BAUD"), QStringLiteral("9600"));
    AppSettings.Parity = ReadINI(iniPath, comm, QStringLiteral("PARITY"), QStringLiteral("N"));
    AppSettings.EnableStrings =
        readNumber(prompter, iniPath, QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QStringLiteral("0"));

    if (setupCommPort)
        runStep(prompter, setupCommPort);
    BuildKeyTable();
    model.setDescriptionBoxSize(QSize(5000, 1090));
}
