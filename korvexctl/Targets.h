#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct PortsSection;

// One device: the port as the operator named it and the device it reached.
struct Target
{
    QString port;   // as given: COM3, /dev/ttyUSB0
    QString device; // the device path
    int com = 0;    // n of COMn; 0 for a device named by its path
    // Named on the command line or under [PORTS]: a unit the operator means,
    // so one that does not answer is a failure, not a port to pass over.
    bool named = true;
    QString description; // what the system calls the device, when listed
    QByteArray version;  // the code version a probe of it got

    // "COM3 /dev/ttyUSB0", or the path alone when that is all there is.
    QString shown() const { return port == device ? device : port + QLatin1Char(' ') + device; }
};

// The device as a path with every link resolved, to tell two names of one
// device apart.
QString canonicalDevice(const QString &device);
// Whether one of targets is that device, by any name.
bool containsDevice(const QList<Target> &targets, const QString &device);

// COMn, as the ports read at the start of the run map it.
Target comTarget(int n, const PortsSection &ports);
// A port given by another name than COMn (a device path, a name under
// /dev), or why it is none; on Windows every port is a COMn.
std::optional<Target> deviceTarget(const QString &port, QString *why);

// The ports given with -p ("all" left out), each as the window maps it, or why
// one of them is no port or is given twice.
std::optional<QList<Target>> namedTargets(const QStringList &given, const PortsSection &ports, QString *why);

// What "all" may mean besides the named ports: COM1 to COM8 as the window
// maps them, then every other serial device the system lists; each once, and
// none of `except`. Those mapped under [PORTS] count as named.
QList<Target> candidateTargets(const PortsSection &ports, const QList<Target> &except);

// The file read -o FOLDER writes a device's rows to: named after the port
// (COM3.cfg, ttyUSB0.cfg); on Windows COM3-rows.cfg, since Windows keeps
// COM1 ... COM9 as device names whatever follows a dot.
QString rowsFileName(const Target &target);

// The ports that exist now, without opening any: COM1 to COM8 where their
// device is there, then every other serial device the system lists.
QList<Target> existingPorts(const PortsSection &ports);
