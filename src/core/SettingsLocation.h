#pragma once

#include <QString>

// The program's directory: where the executable, the status pictures and the
// help pages lie.
QString programDirectory();

// An install puts this file beside the program.
extern const QString InstalledMarker;

// Korvex.ini beside the program when that directory (or the file in it) can be
// written and the program is not an installed one; otherwise the same name in
// the user's configuration directory.
QString settingsFilePath();
QString settingsFilePath(const QString &programDir, const QString &userConfigDir);
