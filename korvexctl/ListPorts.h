#pragma once

#include "DeviceJob.h"

#include <QList>

// korvexctl list on Windows: the ports Windows has, each with what Windows
// calls it, and not a byte written to any of them. Probing every port could
// disturb what else is attached (a modem dialling, a Bluetooth link starting
// to connect); "version -p COMn" asks one device.
//
// named: the ports given with -p; empty or all: every port. Prints one line
// (or one JSON object) per port and returns the exit status: 0, 3 when
// Windows has no port at all, 4 when a named port is not there.
int listPorts(const QList<Target> &named, bool all, bool json);
