#pragma once

#include "core/AppSettings.h"
#include "core/Version.h"

#include <functional>

class MainModel;
class Prompter;
class SettingsFile;

// The main window's start-up, without the window: sets the caption, reads the
// four settings, applies the serial settings through setupCommPort and sizes
// the description box. Returns the settings read.
//
// A settings file that cannot be read, and a bad PORT or ENABLESTRINGS value,
// are reported ("Error detected - ") and only what they hold falls back to
// its default; the remaining steps still run.
AppSettings startUp(MainModel &model, Prompter &prompter, const SettingsFile &settingsFile,
                    const std::function<void(const AppSettings &)> &setupCommPort);
