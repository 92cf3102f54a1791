#pragma once

#include "core/AppSettings.h"
#include "core/Version.h"

#include <functional>

class MainModel;
class Prompter;
class SettingsFile;

// The start-up sequence of the main window, without the window: sets the
// caption, reads the four settings, applies the serial settings through
// setupCommPort and sizes the description box. Returns the settings read.
//
// A bad PORT or ENABLESTRINGS value is reported and only that value falls
// back to its default; the remaining steps still run.
AppSettings FormLoad(MainModel &model, Prompter &prompter, const SettingsFile &settingsFile,
                     const std::function<void(const AppSettings &)> &setupCommPort);
