#pragma once

#include <QString>

// The program's directory: where the executable, the status pictures and the
// help pages lie.
QString programDirectory();

// Korvex.ini beside the program when that directory (or the file in it) can be
// written; otherwise the same name in the user's configuration directory, so
// that an installed program still keeps its settings.
QString settingsFilePath();
QString settingsFilePath(const QString &programDir, const QString &userConfigDir);
