#pragma once

#include <QString>

#include <optional>

// Port numbers: COM1 to COM255 can exist; the window offers the first eight,
// and they are the ones "all" looks at. The settings file, the window and
// korvexctl all name ports this way.
constexpr int LastComPort = 255;
constexpr int OfferedComPorts = 8;

// "COM3".
QString comPortName(int n);
// n of a port named "COMn" (any case), n from 1 to LastComPort written
// without leading zeros; nothing else.
std::optional<int> parseComPort(const QString &name);
