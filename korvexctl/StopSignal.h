#pragma once

#include <QString>

#include <functional>

class QObject;

// The operator asking korvexctl to stop: Ctrl+C, and whatever else the system
// sends a console program it wants to end (SIGTERM; on Windows, closing the
// console window, logging off, shutting down). Each device then stops after
// its current command. A second Ctrl+C ends the program at once, with the
// status of an interrupted run.

// Installs the handlers; false, with the reason in *why, when the system
// refuses.
bool installStopHandlers(QString *why);

// From now until context is destroyed, calls onStop from the calling thread's
// event loop once for each stop asked for, including one asked before.
void watchStopRequests(QObject *context, const std::function<void()> &onStop);
