#pragma once

#include "core/SettingsFile.h"

#include <QString>

// The program's directory: where the executable, the status pictures and the
// help pages lie.
QString programDirectory();

// An install puts this file beside the program.
extern const QString InstalledMarker;

// The settings the program keeps: Korvex.ini beside the program whenever it is
// there (read-only, or another user's, it is still the file the operator
// keeps), or when it can be made there; this user's own Korvex.ini in the
// configuration directory takes what cannot be saved beside the program. An
// installed program keeps only the user's own.
SettingsFile programSettingsFile();
SettingsFile programSettingsFile(const QString &programDir, const QString &userConfigDir);
