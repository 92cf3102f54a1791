#pragma once

// The serial link the programs use on this system, chosen when building
// (KORVEX_SERIAL_LINK): on Windows the link on the system's own serial calls,
// elsewhere the one on QSerialPort. Both take the settings file's path and
// can be pointed at a device outright.
#ifdef KORVEX_WIN32_SERIAL_LINK
#include "device/WinSerialLink.h"
using SystemSerialLink = WinSerialLink;
#else
#include "device/QtSerialLink.h"
using SystemSerialLink = QtSerialLink;
#endif
