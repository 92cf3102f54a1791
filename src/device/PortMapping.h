#pragma once

#include "core/ComPort.h"
#include "core/SettingsFile.h"
#include "device/DeviceIdentity.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <utility>

// Which device of the machine COMn is.
//
// On Windows it is COMn itself. Elsewhere an entry COMn=<device> in the
// [PORTS] section of Korvex.ini wins ("/dev/ttyUSB0", or just "ttyUSB0");
// without one, COMn is the n-th USB serial adapter in name order, so that a
// plugged-in adapter works as COM1 without editing a file, and past the
// adapters COMn is the on-board port /dev/ttyS(n-1).

// One serial device the system reports.
struct SerialPortEntry
{
    QString systemLocation; // e.g. /dev/ttyUSB0, \\.\COM3
    bool hasVendorId = false;
    QString portName;    // e.g. ttyUSB0, COM3
    QString description; // what the system calls it: "USB Serial Port (FTDI)"; may be empty
};

// ttyUSB*/ttyACM* devices and any device with a USB vendor id count as USB
// adapters; the on-board ttyS* ports (many of them phantoms) do not.
bool isUsbAdapter(const SerialPortEntry &entry);

// The pure rule: configured is the [PORTS] value for COMn (empty when absent).
QString resolveDevicePath(int portNumber, const QString &configured, const QList<SerialPortEntry> &available);

// The devices the system lists now.
QList<SerialPortEntry> availableSerialPorts();

// A port the system itself calls COMn, and what else it calls it ("USB
// Serial Port (FTDI)"; may be empty).
struct SystemComPort
{
    int number = 0;
    QString description;
};

// The ports this system calls COMn, in number order: on Windows every one it
// lists now; elsewhere none, as COMn is found through [PORTS] and the
// adapters (PortMapping_win.cpp, PortMapping_unix.cpp).
QList<SystemComPort> systemComPorts();

// What the Configuration dialog offers, by number, each as it is listed:
// COM1 to COM<OfferedComPorts>; each system port above them, named as
// korvexctl list names it ("COM12 USB Serial Port"); and the stored port, so
// that a number written into Korvex.ini by hand survives a save even while
// its adapter is unplugged.
QMap<int, QString> offeredComPorts(const QList<SystemComPort> &system, int stored);

// The device COMn stands for on this machine now, by the [PORTS] section
// given. Throws KorvexError when the section does not name COMn while some of
// its lines cannot be read: one of them may have meant COMn, and the default
// could be another unit on the line.
QString serialDevicePath(int portNumber, const PortsSection &ports);
// The same, by the settings files as they are now.
QString serialDevicePath(int portNumber, const SettingsFile &settings);

// What COMn is, for the operator: on Windows what the system calls the port
// ("USB Serial Port (FTDI)", or that it is not there), elsewhere its device,
// or why it is not known.
QString describeSerialPort(int portNumber, const SettingsFile &settings);

// Which port a serial link opens: COMn, resolved to its device each time it is
// asked (so an adapter plugged in after start-up is found), or a device named
// outright, which is then the same device at every opening.
class PortChoice
{
public:
    explicit PortChoice(SettingsFile settings) : m_settings(std::move(settings)) {}

    // COMn; throws KorvexError outside COM1 to COM<LastComPort>.
    void setNumber(int n);
    // This device whatever the number, called name in messages (the path
    // itself when name is empty); an empty path goes back to COMn.
    void setDevice(const QString &path, const QString &name = {});
    // "COM3", or the device's name or path.
    QString portName() const;
    QString devicePath() const;
    // Told after each opening of a device named outright, with its handle: the
    // first fixes which device the path leads to; a later one that reaches
    // another (a link replaced, a unit swapped) throws KorvexError, so that
    // one run never writes one device and verifies another.
    void opened(qintptr handle);

private:
    SettingsFile m_settings;
    int m_number = 1;
    QString m_fixedPath;
    QString m_fixedName;
    std::optional<DeviceIdentity> m_identity;
};
