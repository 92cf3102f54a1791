#pragma once

#include <QString>

#include <functional>

class MainModel;
class Prompter;

inline const QString ProgramVersion = QStringLiteral("1.07");

// The start-up sequence of the main window, without the window: empties the
// current file name, sets the caption, reads the four settings from iniPath,
// applies the serial settings through setupCommPort, builds the key table and
// sizes the description box.
//
// A bad PORT or ENABLESTRINGS value is reported ("Error detected - " and why)
// and only that value falls back to its default; the remaining steps still run,
// so the key table is always built and a send never writes scancode 0 for
// every row.
void FormLoad(MainModel &model, Prompter &prompter, const QString &iniPath,
              const std::function<void()> &setupCommPort);
