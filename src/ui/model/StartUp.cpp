#include "ui/model/StartUp.h"

#include "core/SettingsFile.h"
#include "ui/model/MainModel.h"
#include "ui/model/Prompter.h"

AppSettings startUp(MainModel &model, Prompter &prompter, const SettingsFile &settingsFile,
                    const std::function<void(const AppSettings &)> &setupCommPort)
{
    model.setText(MainModel::Text::Caption,
                  QStringLiteral("KORVEX CONFIG") + QStringLiteral(" v") + ProgramVersion);
    const SettingsRead read = settingsFile.read();
    for (const QString &problem : read.problems)
        prompter.message(QStringLiteral("Error detected - ") + problem);
    // The set-up reports its own failures.
    setupCommPort(read.settings);
    model.setDescriptionBoxSize(QSize(5000, 1090));
    return read.settings;
}
