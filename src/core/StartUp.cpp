#include "core/StartUp.h"

#include "core/MainModel.h"
#include "core/SettingsFile.h"

AppSettings FormLoad(MainModel &model, Prompter &prompter, const SettingsFile &settingsFile,
                     const std::function<void(const AppSettings &)> &setupCommPort)
{
    model.setText(MainModel::Text::Caption,
                  QStringLiteral("KORVEX CONFIG") + QStringLiteral(" v") + ProgramVersion);
    const AppSettings settings = settingsFile.read(prompter);
    // The set-up reports its own failures.
    setupCommPort(settings);
    model.setDescriptionBoxSize(QSize(5000, 1090));
    return settings;
}
