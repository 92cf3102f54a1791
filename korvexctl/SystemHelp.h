#pragma once

#include "CommandLine.h"

// What korvexctl says and takes that differs by system, for the command
// table: what the station watches for units (on Linux a folder of stable
// names, which udev makes; on Windows the serial ports Windows lists, which no
// option changes), and a paragraph the help ends with.
extern const Operations Watching;    // the commands --watch is for
extern const char NoUseHere[];       // after an option's names, where it is for none
extern const char StationUsage[];    // the station's usage line
extern const char StationWatches[];  // what the station's help begins with
extern const char SystemParagraph[]; // what the whole help ends with
